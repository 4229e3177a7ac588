#ifndef PAGECURSOR_H
#define PAGECURSOR_H

#include <optional>

// Where a paged page stands: offset is the index of the shown page's first
// row, currentPage is 1-based (0 when there are no rows). Plain logic, so the
// paging rules are tested without a window.
struct PageCursor
{
    int offset = 0;
    int total = 0;
    int currentPage = 0;
    int pageCount = 0;

    // What a step does to the Prev and Next buttons: a value to set, or
    // nothing where the button keeps its state.
    struct Buttons
    {
        std::optional<bool> prevEnabled;
        std::optional<bool> nextEnabled;
    };

    // Pages needed for total rows of size rows each (0 for a size below 1).
    static int pagesFor(int total, int size);

    // The first page of a new result of total rows.
    void start(int total, int size);
    // One page on (forward) or back; false when there is nowhere to go and
    // nothing changed. The last page is full when it can be: it starts at
    // total - size, not at the next multiple of size.
    bool step(bool forward, int size);
    // The button states after a successful step in that direction.
    Buttons buttonsAfterStep(bool forward, int size) const;
};

#endif // PAGECURSOR_H
