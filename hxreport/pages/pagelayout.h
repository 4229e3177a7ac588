#ifndef PAGELAYOUT_H
#define PAGELAYOUT_H

class QBoxLayout;
class QLabel;
class QListWidget;

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
};

#endif // PAGELAYOUT_H
