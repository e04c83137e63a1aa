#pragma once

// Prints what Tesmor shows on the screen now, one "key value" line each, and
// returns 0 (1 for a bad argument). Arguments "cell=ROW,COLUMN" add the
// rectangle and text of that cell of an open parameter table and of an open
// measurement log (for the rows the list has). Nothing in the program is
// changed: texts, positions and rectangles are only asked for.
//
// Keys (rectangles "left top right bottom", points "x y", screen coordinates):
//   desktop.rect, cursor, foreground (panel, message, password, table, log,
//   series, menu, popup (a context-help pop-up), tip (a tooltip on the screen),
//   other or none), focus.id (the
//   dialog id of the focused control), focus.class
//   window KIND               one line for each visible window, in Z order
//   KIND.rect, KIND.enabled, KIND.caption   KIND as above
//   message.text, message.ok
//   password.edit, password.ok
//   table.list, table.rows, table.ok, table.editor (a cell being edited),
//   table.editor.text, table.cell.ROW.COLUMN.rect, table.cell.ROW.COLUMN.text
//   log.list, log.list.client (the list's client area, where rows show),
//   log.rows, log.status, log.cell.ROW.COLUMN.rect, log.cell.ROW.COLUMN.text
//                                     the measurement log's window
//   series.quantity, series.from, series.to, series.step, series.stepbox (its
//   rectangle), series.count, series.bystep (1 when "In steps of" is chosen),
//   series.status, series.start                           the automatic series
//   tip.text                          the text of a tooltip on the screen
//   panel.close, panel.sysmenu        the middles of the caption's close button
//                                     and of its icon, as the window hit-tests
//   control.ID.rect, control.ID.enabled, control.ID.readonly, control.ID.text
//   control.ID.pos, control.ID.thumb  (the sliders)
int PrintScreenState(int argc, wchar_t** argv);
