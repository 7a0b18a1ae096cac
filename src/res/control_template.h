// One control of a dialog template: id, kind, text, rectangle in dialog units, styles
// and, for icon and bitmap statics, the picture.
#pragma once

#include "fx/resources.h"

namespace res {

inline fx::ControlTemplate Control(int id, fx::ControlKind kind, const char* text, int x, int y, int cx, int cy,
                                   DWORD style = fx::CS_NONE, UINT imageId = 0)
{
    fx::ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.text = text;
    c.x = x;
    c.y = y;
    c.cx = cx;
    c.cy = cy;
    c.style = style;
    c.imageId = imageId;
    return c;
}

// The control grows with a resizable dialog, in width and height.
inline fx::ControlTemplate Growing(fx::ControlTemplate c)
{
    c.sizing = fx::SZ_GROW_X | fx::SZ_GROW_Y;
    return c;
}

}  // namespace res
