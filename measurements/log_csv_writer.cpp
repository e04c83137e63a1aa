// The log's writing: the CSV file's bytes (and their count, by the same code),
// and the rows as tab-separated text for the clipboard.
#include <string>
#include <vector>

#include "measurements/log_codec.h"
#include "measurements/log_utf8.h"

using namespace log_csv;

namespace {

using Bytes = std::vector<unsigned char>;

// Counts the bytes an encoding makes instead of keeping them, so that the
// log's file size is counted by the very code that writes the file.
class ByteCount {
public:
    void push_back(unsigned char) { ++size_; }
    void Add(size_t bytes) { size_ += bytes; }
    size_t size() const { return size_; }

private:
    size_t size_ = 0;
};

// Text known to be ASCII, one byte a character.
void AppendAscii(std::vector<unsigned char>& out, const std::wstring& text) {
    for (wchar_t c : text) out.push_back(static_cast<unsigned char>(c));
}

void AppendAscii(ByteCount& out, const std::wstring& text) {
    out.Add(text.size());
}

template <typename Out>
void AppendField(Out& out, const std::wstring& text) {
    bool quoted = false, ascii = true;
    for (wchar_t c : text) {
        if (c == L',' || c == L'"' || c == L'\r' || c == L'\n') quoted = true;
        if (static_cast<unsigned long>(c) >= 0x80) ascii = false;
    }
    if (!quoted) {
        // The panel's texts: ASCII that needs no quotes.
        if (ascii) {
            AppendAscii(out, text);
        } else {
            AppendUtf8(out, text);
        }
        return;
    }
    out.push_back('"');
    AppendUtf8(out, text, true);
    out.push_back('"');
}

template <typename Out>
void AppendNumber(Out& out, int value) {
    for (char c : std::to_string(value)) out.push_back(static_cast<unsigned char>(c));
}

template <typename Out>
void AppendLineEnd(Out& out) {
    out.push_back('\r');
    out.push_back('\n');
}

template <typename Out>
void AppendHeader(Out& out) {
    for (unsigned char b : kByteOrderMark) out.push_back(b);
    for (int column = 0; column < kLogColumnCount; ++column) {
        if (column > 0) out.push_back(',');
        AppendField(out, kLogColumnTitles[column]);
    }
    AppendLineEnd(out);
}

template <typename Out>
void AppendRowLine(Out& out, const MeasurementRow& row, int number) {
    AppendNumber(out, number);
    out.push_back(',');
    AppendField(out, row.time);
    out.push_back(',');
    AppendNumber(out, row.material);
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
        out.push_back(',');
        AppendField(out, *ShownText(row, column));
    }
    AppendLineEnd(out);
}

// A shown text in a tab-separated cell.
void AppendTabField(std::wstring& out, const std::wstring& text) {
    const bool quoted = !text.empty() && text[0] == L'"';
    if (quoted) out += L'"';
    for (wchar_t c : text) {
        if (c == L'\t' || c == L'\r' || c == L'\n' || c == L'\0') {
            out += L' ';
        } else {
            out += c;
            if (quoted && c == L'"') out += L'"';
        }
    }
    if (quoted) out += L'"';
}

void AppendTabLine(std::wstring& out, const std::wstring* cells) {
    for (int column = 0; column < kLogColumnCount; ++column) {
        if (column > 0) out += L'\t';
        AppendTabField(out, cells[column]);
    }
    out += L"\r\n";
}

// The lines of the rows from index `first` on: one copy of the row's
// writing for the whole file and for the lines appended to it.
void AppendRowLines(Bytes& out, const MeasurementLog& log, size_t first) {
    for (size_t i = first; i < log.size(); ++i) AppendRowLine(out, log[i], log[i].number);
}

}  // namespace

size_t LogHeaderSize() {
    static const size_t size = [] {
        ByteCount count;
        AppendHeader(count);
        return count.size();
    }();
    return size;
}

size_t LogLineSize(const MeasurementRow& row, int number) {
    ByteCount count;
    AppendRowLine(count, row, number);
    return count.size();
}

size_t LogLineSize(const MeasurementRow& row) {
    return LogLineSize(row, row.number);
}

std::vector<unsigned char> EncodeLogHeader() {
    Bytes out;
    out.reserve(LogHeaderSize());
    AppendHeader(out);
    return out;
}

std::vector<unsigned char> EncodeLogLines(const MeasurementLog& log, size_t first) {
    Bytes out;
    if (first == 0) {
        out.reserve(log.fileSize() - LogHeaderSize());
    } else {
        size_t size = 0;
        for (size_t i = first; i < log.size(); ++i) size += LogLineSize(log[i]);
        out.reserve(size);
    }
    AppendRowLines(out, log, first);
    return out;
}

std::vector<unsigned char> EncodeLogCsv(const MeasurementLog& log) {
    Bytes out;
    out.reserve(log.fileSize());
    AppendHeader(out);
    AppendRowLines(out, log, 0);
    return out;
}

std::wstring LogTabSeparatedText(const MeasurementLog& log, const std::vector<size_t>& indices) {
    std::vector<bool> chosen(log.size(), false);
    for (size_t index : indices) {
        if (index < log.size()) chosen[index] = true;
    }
    std::wstring out;
    std::wstring cells[kLogColumnCount];
    for (int column = 0; column < kLogColumnCount; ++column) cells[column] = kLogColumnTitles[column];
    AppendTabLine(out, cells);
    for (size_t i = 0; i < log.size(); ++i) {
        if (!chosen[i]) continue;
        for (int column = 0; column < kLogColumnCount; ++column) cells[column] = LogCellText(log[i], column);
        AppendTabLine(out, cells);
    }
    return out;
}

std::vector<unsigned char> EncodeNumberMark(int highest) {
    std::vector<unsigned char> out;
    AppendNumber(out, highest);
    AppendLineEnd(out);
    return out;
}
