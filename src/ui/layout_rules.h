#pragma once

// The main window's placement rules as arithmetic on twips, apart from any widget:
// the splitter clamp and the placement of tree, grip, player and slider
// (SizeControls), what a resize does in each display mode (Form_Resize), and where
// the splitter's drag bar may go. The window converts the results to pixels.

#include "ui/twips.h"

#include <functional>

namespace veskor {

// The measures SizeControls reads from the window.
struct LayoutMeasures {
    Twips Width;            // the window's outer width, frame included
    Twips ScaleWidth;       // client width
    Twips ScaleHeight;      // client height
    Twips toolbarHeight;    // tbToolBar.Height
    Twips statusBarHeight;  // StatusBarswf.Height
    Twips panel1Width;      // width of status-bar panel 1
    Twips panel2Width;      // width of status-bar panel 2
};

// Where the controls are. SizeControls updates it in place: a step that would give a
// negative width or height is skipped and the control keeps its last value, as a
// control refuses such a size.
struct LayoutPlacements {
    TwipsRect tree;    // TreeView1
    TwipsRect grip;    // imgSplitter
    TwipsRect player;  // the working player
    TwipsRect slider;  // Sliderswf
};

// What a control reports back after being given a length (whole pixels on screen).
using ReadBack = std::function<Twips(Twips)>;

// Clamps x (1000 from the left, 1500 from the right outer edge; the right limit wins
// when both cannot hold) and lays out the controls around it.
void SizeControls(Twips& x, const LayoutMeasures& m, LayoutPlacements& p, const ReadBack& readBack = {});

enum class ResizeAction {
    Nothing,         // full screen, or minimised in the normal mode
    PlayerFillsWidth, // the list is hidden: the player takes the client width
    SizeControls,    // the normal layout around the grip
};

ResizeAction resizeAction(bool fullscreen, bool listhidden, bool minimized);

// The list-hidden resize: the player at left 0 over the client width between toolbar
// and status bar; its top stays.
void fillWidthWithPlayer(const LayoutMeasures& m, LayoutPlacements& p, const ReadBack& readBack = {});

// The drag bar's left edge for a mouse at x twips right of the grip's left edge: held
// 500 twips inside either outer edge.
Twips splitterBarLeft(Twips gripLeft, Twips x, Twips Width);

} // namespace veskor
