#ifndef PAGELAYOUT_H
#define PAGELAYOUT_H

class QBoxLayout;
class QComboBox;
class QLabel;
class QListWidget;
class QStackedWidget;
class QStatusBar;
class QString;
class QStringList;
class QWidget;
class QLineEdit;
class QObject;

// Small layout rules that keep the window readable at its own size whatever
// the language and however large the counts.
#include <initializer_list>

class PageLayout
{
public:
    // The page list keeps the room its entries need (within its maximum
    // width): long texts on a page give way instead of squeezing it.
    static void keepNavigationReadable(QListWidget* list);
    // The page list's entries are 45 pixels high at their own width, and the
    // list stays readable (above).
    static void setUpNavigation(QListWidget* list);
    // A page after the form's own, with a list entry like theirs.
    static void appendPage(QListWidget* list, QStackedWidget* stack, QWidget* page, const QString& text);
    // A paging row before the first query: page size 50 (1 to 9999, the
    // validator a child of parent), page 0 of 0, 0 records.
    static void resetPaging(QLineEdit* pageSize, QLabel* pageLabel, QLabel* countLabel, QObject* parent);
    // A count label in a paging row takes the row's free space (text at the
    // right, as when the spacer took it): one line where there is room, two
    // when a large count meets the window's width; counts up to 999 always
    // stay on one line.
    static void letCountWrap(QLabel* label, QBoxLayout* row);
    // A station folder named at start-up (a copy of a station's files) is
    // shown for as long as the window is open, so nobody mistakes it for the
    // live station.
    static void showStationFolder(QStatusBar* bar);
    // A station choice (named objectName) after a label "工位", just before
    // beside (after it with after), in beside's place in its layout; null
    // when beside is in no layout.
    static QComboBox* addStationBox(QWidget* beside, const QString& objectName, bool after = false);
    // A box as wide as the widest of texts needs, whatever it shows: a text
    // that changes later must not move the controls beside it.
    static void fitTexts(QComboBox* box, const QStringList& texts);
    // Widgets in a column of rows of their own get the widest one's width.
    static void sameWidth(std::initializer_list<QWidget*> widgets);
};

#endif // PAGELAYOUT_H
