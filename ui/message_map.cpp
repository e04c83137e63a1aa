#include "ui/message_map.h"

MessageKey KeyOf(const Message& m) {
    if (m.message == WM_COMMAND) return {m.message, m.CommandId(), m.NotifyCode()};
    if (m.message == WM_NOTIFY && m.lParam) {
        return {m.message, static_cast<int>(m.Notification()->idFrom), static_cast<int>(m.Notification()->code)};
    }
    return {m.message, kAnyId, kAnyCode};
}

bool RowFits(const MessageKey& key, UINT message, int id, int code) {
    return message == key.message && (id == kAnyId || id == key.id) && (code == kAnyCode || code == key.code);
}
