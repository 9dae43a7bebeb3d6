#pragma once

namespace qsr::tags {

// The tag editor's vertical splitter between folder tree and file list.
// Every figure is in twips (1/1440 inch; 15 to a pixel at 96 dpi), the unit
// the window's stored "folderwidth" is kept in.
namespace splitter {

constexpr int kMinBoundary = 2500;  // a drag moves the panes only strictly inside these
constexpr int kMaxBoundary = 5500;
constexpr int kHalfWidth = 90;      // the splitter's Left is the boundary minus this
constexpr int kWideList = 8775;     // from this list width on, the pages sit under the list
constexpr int kDefaultLeft = 3600;  // the splitter's position before any setting

// Where the splitter's Left goes when a drag ends at boundary b: pinned at
// 2410 below 2500 and at 5410 above 5500, else b - 90.
int DropLeft(int boundary);

// Whether a drag move to boundary b lays the panes out: inside the limits and
// not where the splitter already stands.
bool MoveLaysOut(int boundary, int splitterLeft);

// What the window knows while laying out.
struct Frame {
    int innerWidth = 0;
    int innerHeight = 0;
    int treeLeft = 0;
    int treeTop = 0;
    int tabTop = 0;
    // The pages' width and the left of what stands beside them ("Multiple
    // file options", the meters); 0: nothing stands there.
    int pageWidth = 0;
    int besideLeft = 0;
};

// Where the panes go for a boundary.
struct Panes {
    int treeWidth = 0;
    int treeHeight = 0;
    int listLeft = 0;
    int listWidth = 0;
    int tabLeft = 0;
    int tabWidth = 0;
    int pageLeft = 0;
    bool pagesUnderList = false;  // the tree then runs down to the window's foot
};

// Folder tree up to the boundary; list from 120 past it to 120 before the
// right edge. A list wider than 8775 keeps the tab strip under itself and the
// tree takes the full height, provided the pages then still end 120 before
// what stands beside them; otherwise the tab strip spans the window under
// both. The pages stand 480 inside the tab strip.
Panes LayOut(int boundary, const Frame& frame);

}  // namespace splitter
}  // namespace qsr::tags
