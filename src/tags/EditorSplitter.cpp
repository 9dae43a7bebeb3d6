#include "tags/EditorSplitter.h"

namespace qsr::tags::splitter {

int DropLeft(int boundary) {
    if (boundary < kMinBoundary) return kMinBoundary - kHalfWidth;
    if (boundary > kMaxBoundary) return kMaxBoundary - kHalfWidth;
    return boundary - kHalfWidth;
}

bool MoveLaysOut(int boundary, int splitterLeft) {
    return boundary > kMinBoundary && boundary < kMaxBoundary &&
           splitterLeft != boundary - kHalfWidth;
}

Panes LayOut(int boundary, const Frame& f) {
    constexpr int kGap = 120;
    constexpr int kPageInset = 480;
    Panes p;
    p.treeWidth = boundary - f.treeLeft;
    p.listLeft = boundary + kGap;
    p.listWidth = f.innerWidth - p.listLeft - kGap;
    // Under a list that starts further right the pages would run into what
    // stands beside them.
    const bool roomBeside =
        f.besideLeft == 0 || p.listLeft + kPageInset + f.pageWidth + kGap <= f.besideLeft;
    p.pagesUnderList = p.listWidth > kWideList && roomBeside;
    if (p.pagesUnderList) {
        p.tabLeft = p.listLeft;
        p.tabWidth = p.listWidth;
        p.treeHeight = f.innerHeight - f.treeTop - kGap;
    } else {
        p.tabLeft = kGap;
        p.treeHeight = f.tabTop - 2 * kGap;
        p.tabWidth = f.innerWidth - p.tabLeft - kGap;
    }
    p.pageLeft = p.tabLeft + kPageInset;
    return p;
}

}  // namespace qsr::tags::splitter
