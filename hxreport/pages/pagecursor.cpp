#include "pagecursor.h"

#include <algorithm>

int PageCursor::pagesFor(int total, int size)
{
    return size > 0 ? (total + size - 1) / size : 0;
}

void PageCursor::start(int rows, int size)
{
    offset = 0;
    if (rows >= 1) {
        total = rows;
        currentPage = 1;
        pageCount = pagesFor(rows, size);
    } else {
        total = 0;
        currentPage = 0;
        pageCount = 0;
    }
}

bool PageCursor::step(bool forward, int size)
{
    if (forward) {
        if (offset >= total)
            return false;
        offset += size;
        if (offset >= total)
            offset = std::max(total - size, 0);
    } else {
        if (offset < 1)
            return false;
        offset -= size;
        if (offset < 1)
            offset = 0;
    }
    currentPage = size > 0 ? offset / size + 1 : 0;
    pageCount = pagesFor(total, size);
    return true;
}

PageCursor::Buttons PageCursor::buttonsAfterStep(bool forward, int size) const
{
    Buttons buttons;
    if (forward) {
        if (offset + size >= total)
            buttons.nextEnabled = false;
        buttons.prevEnabled = true;
    } else {
        if (offset == 0)
            buttons.prevEnabled = false;
        buttons.nextEnabled = true;
    }
    return buttons;
}
