#ifndef PAGELAYOUT_H
#define PAGELAYOUT_H

class QBoxLayout;
class QLabel;
class QListWidget;
class QStatusBar;

// Small layout rules that keep the window readable at its own size whatever
// the language and however large the counts.
class PageLayout
{
public:
    // The page list keeps the room its entries need (within its maximum
    // width): long texts on a page give way instead of squeezing it.
    static void keepNavigationReadable(QListWidget* list);
    // A count label in a paging row takes the row's free space (text at the
    // right, as when the spacer took it): one line where there is room, two
    // when a large count meets the window's width; counts up to 999 always
    // stay on one line.
    static void letCountWrap(QLabel* label, QBoxLayout* row);
    // A station folder named at start-up (a copy of a station's files) is
    // shown for as long as the window is open, so nobody mistakes it for the
    // live station.
    static void showStationFolder(QStatusBar* bar);
};

#endif // PAGELAYOUT_H
