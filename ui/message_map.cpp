#include "ui/message_map.h"

// The id and code of a WM_COMMAND come from wParam, those of a WM_NOTIFY from
// the header lParam points at; other messages have neither.
bool RowFits(const Message& m, UINT message, int id, int code) {
    if (message != m.message) return false;
    int messageId = kAnyId;
    int messageCode = kAnyCode;
    if (m.message == WM_COMMAND) {
        messageId = m.CommandId();
        messageCode = m.NotifyCode();
    } else if (m.message == WM_NOTIFY && m.lParam) {
        messageId = static_cast<int>(m.Notification()->idFrom);
        messageCode = static_cast<int>(m.Notification()->code);
    }
    return (id == kAnyId || id == messageId) && (code == kAnyCode || code == messageCode);
}
