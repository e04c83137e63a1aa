#pragma once

// How many USER and GDI objects this process holds, to show that a long run
// leaks none. Windows counts them itself (GetGuiResources). Wine answers 0
// there, so under Wine the windows are counted instead of all USER objects
// (top-level, child and message-only windows), and the GDI objects are
// counted in the process's GDI handle table.
struct GuiObjects {
    unsigned user = 0;
    unsigned gdi = 0;
};

GuiObjects CountGuiObjects();
