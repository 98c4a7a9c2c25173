#include "ui/layout_rules.h"

namespace veskor {

namespace {

Twips readBackOf(const ReadBack& readBack, Twips t) { return readBack ? readBack(t) : t; }

// A control refuses a negative size and keeps the one it had.
void setLength(Twips& field, Twips value, const ReadBack& readBack)
{
    if (value < 0_tw)
        return;
    field = readBackOf(readBack, value);
}

void setPosition(Twips& field, Twips value, const ReadBack& readBack) { field = readBackOf(readBack, value); }

} // namespace

void SizeControls(Twips& x, const LayoutMeasures& m, LayoutPlacements& p, const ReadBack& readBack)
{
    setPosition(p.tree.left, 0_tw, readBack);
    if (x < 1000_tw)
        x = 1000_tw;
    if (x > m.Width - 1500_tw)
        x = m.Width - 1500_tw;
    setLength(p.tree.width, x, readBack);
    setPosition(p.grip.left, x, readBack);
    setPosition(p.player.left, x + 40_tw, readBack);
    setLength(p.player.width, m.Width - (p.tree.width + 140_tw), readBack);
    setPosition(p.tree.top, m.toolbarHeight, readBack);
    setPosition(p.player.top, p.tree.top, readBack);
    setLength(p.tree.height, m.ScaleHeight - m.toolbarHeight - m.statusBarHeight, readBack);
    setLength(p.player.height, p.tree.height, readBack);
    setPosition(p.grip.top, p.tree.top, readBack);
    setLength(p.grip.height, p.tree.height, readBack);
    setLength(p.slider.width, m.panel2Width, readBack);
    setPosition(p.slider.top, p.tree.top + p.tree.height + m.statusBarHeight / 2.0f - 80_tw, readBack);
    setPosition(p.slider.left, m.panel1Width + m.panel2Width + 70_tw, readBack);
    setLength(p.slider.height, m.statusBarHeight / 1.5f, readBack);
}

ResizeAction resizeAction(bool fullscreen, bool listhidden, bool minimized)
{
    if (fullscreen)
        return ResizeAction::Nothing;
    if (listhidden)
        return ResizeAction::PlayerFillsWidth;
    if (minimized)
        return ResizeAction::Nothing;
    return ResizeAction::SizeControls;
}

void fillWidthWithPlayer(const LayoutMeasures& m, LayoutPlacements& p, const ReadBack& readBack)
{
    setPosition(p.player.left, 0_tw, readBack);
    setLength(p.player.height, m.ScaleHeight - m.toolbarHeight - m.statusBarHeight, readBack);
    setLength(p.player.width, m.ScaleWidth, readBack);
}

Twips splitterBarLeft(Twips gripLeft, Twips x, Twips Width)
{
    const Twips p = gripLeft + x;
    if (p < 500_tw)
        return 500_tw;
    if (p > Width - 500_tw)
        return Width - 500_tw;
    return p;
}

} // namespace veskor
