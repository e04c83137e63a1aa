#include "measurements/log_codec.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "model/material_table.h"

namespace {

using Bytes = std::vector<unsigned char>;

const unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
constexpr char32_t kReplacement = 0xFFFD;

// The shortest line a row can make without its line end: a one-digit No.,
// the time, a one-digit material and eleven empty texts.
constexpr size_t kShortestRowLine = 1 + 1 + 19 + 1 + 1 + 11;

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
void AppendCodePoint(Out& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<unsigned char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<unsigned char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<unsigned char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<unsigned char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<unsigned char>(0x80 | (c & 0x3F)));
    }
}

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Appends the text as UTF-8, each quote doubled when asked. wchar_t holds
// UTF-16 on Windows and whole code points elsewhere; what is no character in
// either (a lone surrogate, a value above U+10FFFF) is written as U+FFFD, so
// the file is always valid UTF-8.
template <typename Out>
void AppendUtf8(Out& out, const std::wstring& text, bool doubleQuotes = false) {
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
                const char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if (IsSurrogate(c) || c > 0x10FFFF) c = kReplacement;
        AppendCodePoint(out, c);
        if (doubleQuotes && c == '"') out.push_back('"');
    }
}

void AppendWide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// The length of the UTF-8 sequence at `p`, or 0 when it is not one: overlong
// forms, surrogates and values above U+10FFFF are refused (RFC 3629). A
// sequence cut by `end` is not one either; `cut` tells whether that is all
// that is wrong with it.
size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end, bool* cut = nullptr) {
    const unsigned char b = p[0];
    if (b < 0x80) return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0) low = 0xA0;   // overlong below U+0800
        if (b == 0xED) high = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0) low = 0x90;   // overlong below U+10000
        if (b == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    const size_t present = std::min(length, static_cast<size_t>(end - p));
    if (present >= 2 && (p[1] < low || p[1] > high)) return 0;
    for (size_t k = 2; k < present; ++k) {
        if (p[k] < 0x80 || p[k] > 0xBF) return 0;
    }
    if (present < length) {
        if (cut) *cut = true;
        return 0;
    }
    return length;
}

// Where the bytes stop being UTF-8 (`end` when they never do); `cut` tells
// whether all that is wrong is a sequence cut short by `end`.
const unsigned char* FirstInvalidUtf8(const unsigned char* p, const unsigned char* end, bool& cut) {
    cut = false;
    while (p < end) {
        // ASCII goes eight bytes at a time while it lasts.
        while (end - p >= 8 && ((p[0] | p[1] | p[2] | p[3] | p[4] | p[5] | p[6] | p[7]) & 0x80) == 0) p += 8;
        if (p == end) break;
        const size_t length = Utf8SequenceLength(p, end, &cut);
        if (length == 0) return p;
        p += length;
    }
    return end;
}

// Text from bytes already known to be valid UTF-8.
std::wstring WideFromUtf8(std::string_view bytes) {
    const size_t n = bytes.size();
    size_t ascii = 0;
    while (ascii < n && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
    if (ascii == n) return std::wstring(bytes.begin(), bytes.end());
    std::wstring text(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(ascii));
    for (size_t i = ascii; i < n;) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        char32_t c;
        size_t length;
        if (b < 0x80) {
            c = b;
            length = 1;
        } else if (b < 0xE0) {
            c = b & 0x1F;
            length = 2;
        } else if (b < 0xF0) {
            c = b & 0x0F;
            length = 3;
        } else {
            c = b & 0x07;
            length = 4;
        }
        for (size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        AppendWide(text, c);
        i += length;
    }
    return text;
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

// A field as the file holds it: the bytes between its quotes, if it has
// them, with its doubled quotes still doubled. Its text is read only once the
// line is known to be a row and the text short enough.
struct Field {
    std::string_view bytes;
    size_t doubledQuotes = 0;  // quote pairs, each standing for one quote
    bool quoted = false;
    bool open = false;  // quoted, and the file ended before its closing quote
};

// One line of the file, as far as it was read: no more fields than a row has.
struct Line {
    Field fields[kLogColumnCount];
    size_t count = 0;
    bool blank = false;  // nothing before its line end
    bool ended = false;  // it has a line end (it is not the file's last bytes)
};

// Splits the file into lines of fields, one line at a time. Nothing is copied:
// a field is a view of the file's bytes.
class CsvReader {
public:
    CsvReader(const unsigned char* p, const unsigned char* end) : p_(p), end_(end), nextContent_(p) {}

    bool AtEnd() const { return p_ == end_; }
    const unsigned char* position() const { return p_; }

    // Whether nothing but line ends is left. The first byte that is none is
    // remembered, so that a run of blank lines is looked through once.
    bool OnlyLineEndsLeft() {
        if (p_ < nextContent_) return false;
        nextContent_ = std::find_if(p_, end_, [](unsigned char b) { return b != '\r' && b != '\n'; });
        return nextContent_ == end_;
    }

    // The number of line ends left (a line end inside quotes counted too): at
    // least the number of lines left less one.
    size_t CountLineEnds() const {
        if (p_ == end_) return 0;
        // Each LF, and each CR not followed by one; without branches, so that
        // the compiler may take many bytes at a time.
        size_t count = end_[-1] == '\r';
        for (const unsigned char* b = p_; b + 1 < end_; ++b)
            count += (b[0] == '\n') | ((b[0] == '\r') & (b[1] != '\n'));
        return count + (end_[-1] == '\n');
    }

    // Goes on at the line after the one that starts at `lineStart`: its first
    // line end, whatever quotes before it opened, ends it.
    void SkipLineFrom(const unsigned char* lineStart) {
        p_ = lineStart;
        while (p_ < end_ && *p_ != '\r' && *p_ != '\n') ++p_;
        if (p_ < end_) {
            Line line;
            SkipLineEnd(line);
        }
    }

    // Reads the next line's fields. wrongFieldCount as soon as it has a field
    // more than a row; unterminatedQuote with the open field as the last one.
    CsvStatus ReadLine(Line& line) {
        line.count = 0;
        line.blank = false;
        line.ended = false;
        if (p_ < end_ && (*p_ == '\r' || *p_ == '\n')) {
            line.blank = true;
            SkipLineEnd(line);
            return CsvStatus::ok;
        }
        for (;;) {
            if (line.count == static_cast<size_t>(kLogColumnCount)) return CsvStatus::wrongFieldCount;
            Field& field = line.fields[line.count++];
            field = Field();
            if (p_ < end_ && *p_ == '"') {
                field.quoted = true;
                const unsigned char* begin = ++p_;
                for (;;) {
                    const unsigned char* quote = std::find(p_, end_, '"');
                    if (quote == end_) {
                        field.bytes = View(begin, end_);
                        field.open = true;
                        p_ = end_;
                        return CsvStatus::unterminatedQuote;
                    }
                    if (quote + 1 < end_ && quote[1] == '"') {
                        ++field.doubledQuotes;
                        p_ = quote + 2;
                        continue;
                    }
                    field.bytes = View(begin, quote);
                    p_ = quote + 1;
                    break;
                }
            } else {
                const unsigned char* stop = p_;
                while (stop < end_ && *stop != ',' && *stop != '\r' && *stop != '\n') {
                    if (*stop == '"') return CsvStatus::misplacedQuote;
                    ++stop;
                }
                field.bytes = View(p_, stop);
                p_ = stop;
            }
            // What follows a field: a comma, a line end or the end of the file.
            if (p_ == end_) return CsvStatus::ok;
            if (*p_ == ',') {
                ++p_;
                continue;
            }
            if (*p_ == '\r' || *p_ == '\n') {
                SkipLineEnd(line);
                return CsvStatus::ok;
            }
            return CsvStatus::misplacedQuote;  // text after a closing quote
        }
    }

private:
    static std::string_view View(const unsigned char* begin, const unsigned char* end) {
        return std::string_view(reinterpret_cast<const char*>(begin), static_cast<size_t>(end - begin));
    }

    // CR LF, LF or CR alone.
    void SkipLineEnd(Line& line) {
        if (*p_++ == '\r' && p_ < end_ && *p_ == '\n') ++p_;
        line.ended = true;
    }

    const unsigned char* p_;
    const unsigned char* end_;
    const unsigned char* nextContent_;  // see OnlyLineEndsLeft
};

// The length in UTF-16 units of a field's text (its bytes are valid UTF-8):
// one for each character, two for one beyond U+FFFF, one for a doubled quote.
size_t Utf16Length(const Field& field) {
    size_t length = 0;
    for (char c : field.bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if ((b & 0xC0) != 0x80) ++length;  // not a continuation byte
        if (b >= 0xF0) ++length;
    }
    return length - field.doubledQuotes;
}

bool IsTooLong(const Field& field) {
    // No more UTF-16 units than bytes: most texts need no counting.
    return field.bytes.size() - field.doubledQuotes > MeasurementLog::kMaxFieldLength &&
           Utf16Length(field) > MeasurementLog::kMaxFieldLength;
}

// A field's text, each doubled quote read as one.
std::wstring FieldText(const Field& field) {
    if (field.doubledQuotes == 0) return WideFromUtf8(field.bytes);
    std::string bytes;
    bytes.reserve(field.bytes.size() - field.doubledQuotes);
    for (size_t i = 0; i < field.bytes.size(); ++i) {
        bytes += field.bytes[i];
        if (field.bytes[i] == '"') ++i;
    }
    return WideFromUtf8(bytes);
}

// A decimal number without sign or leading zero, of at most `maxDigits`
// digits; -1 otherwise.
int CanonicalNumber(const Field& field, size_t maxDigits) {
    const std::string_view text = field.bytes;
    if (field.doubledQuotes > 0 || text.empty() || text.size() > maxDigits ||
        (text[0] == '0' && text.size() > 1))
        return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool IsHeader(const Line& line) {
    if (line.blank || line.count != static_cast<size_t>(kLogColumnCount)) return false;
    for (int column = 0; column < kLogColumnCount; ++column) {
        Bytes title;
        AppendUtf8(title, kLogColumnTitles[column]);
        const Field& field = line.fields[column];
        if (field.doubledQuotes > 0 ||
            field.bytes != std::string_view(reinterpret_cast<const char*>(title.data()), title.size())) {
            return false;
        }
    }
    return true;
}

// One field of a row into the row; `previous` is the number of the row before.
CsvStatus ReadField(const Field& field, int column, int previous, MeasurementRow& row) {
    switch (column) {
    case kLogNumber:
        row.number = CanonicalNumber(field, 9);
        return row.number <= previous || row.number > MeasurementLog::kMaxNumber ? CsvStatus::badNumber
                                                                                 : CsvStatus::ok;
    case kLogTime:
        // A record time is 19 ASCII characters: nothing longer is widened.
        if (field.bytes.size() != 19 || field.doubledQuotes > 0) return CsvStatus::badTime;
        row.time = WideFromUtf8(field.bytes);
        return IsRecordTime(row.time) ? CsvStatus::ok : CsvStatus::badTime;
    case kLogMaterial:
        row.material = CanonicalNumber(field, 3);
        return row.material < 0 || row.material > kMaxMaterials ? CsvStatus::badMaterial : CsvStatus::ok;
    default:
        if (IsTooLong(field)) return CsvStatus::textTooLong;
        *ShownText(row, column) = FieldText(field);
        return CsvStatus::ok;
    }
}

// One line of the file as a row.
CsvStatus ReadRow(const Line& line, int previous, MeasurementRow& row) {
    if (line.blank || line.count != static_cast<size_t>(kLogColumnCount)) return CsvStatus::wrongFieldCount;
    for (int column = 0; column < kLogColumnCount; ++column) {
        const CsvStatus status = ReadField(line.fields[column], column, previous, row);
        if (status != CsvStatus::ok) return status;
    }
    return CsvStatus::ok;
}

// Whether a field cut short by the end of the file can be the beginning of
// what this program writes in its column. The writer quotes only shown texts,
// and No., Time and Material are ASCII.
bool IsCutFieldStart(const Field& field, int column, bool characterCut) {
    if (column >= kLogHallFactor) return !IsTooLong(field);
    if (field.quoted || characterCut) return false;
    const std::string_view text = field.bytes;
    const bool digits = std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    // No. starts at 1, and only Material may be a lone 0.
    if (column == kLogNumber) return digits && text.size() <= 9 && (text.empty() || text[0] != '0');
    if (column == kLogMaterial) return digits && text.size() <= 3 && (text.size() < 2 || text[0] != '0');
    // Time: "YYYY-MM-DD hh:mm:ss" as far as it goes.
    static const char kPattern[] = "0000-00-00 00:00:00";
    if (text.size() > 19) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == '0' ? !digit : text[i] != kPattern[i]) return false;
    }
    return true;
}

// Whether the file's last line, which has no line end, is a torn tail: the
// start of a row's line, cut short (fewer fields than a row, the last text's
// quote still open, or a character cut in two), every whole field valid and
// the cut one a possible start of its column.
bool IsTornTail(const Line& line, int previous, bool characterCut) {
    if (line.ended || line.blank || line.count == 0) return false;
    const Field& last = line.fields[line.count - 1];
    if (line.count == static_cast<size_t>(kLogColumnCount) && !last.open && !characterCut) return false;
    MeasurementRow row;
    for (size_t column = 0; column + 1 < line.count; ++column) {
        if (ReadField(line.fields[column], static_cast<int>(column), previous, row) != CsvStatus::ok)
            return false;
    }
    return IsCutFieldStart(last, static_cast<int>(line.count - 1), characterCut);
}

// The lines left out of a log: how many, the first few, and why the first went.
class LeftOutLines {
public:
    void Add(size_t line, CsvStatus status) {
        if (count_ == 0) status_ = status;
        if (count_ < CsvDecodeResult::kListedLines) lines_[count_] = line;
        ++count_;
    }
    // Takes in another set, of other lines: the first few of both, in order.
    void Merge(const LeftOutLines& other) {
        if (other.count_ == 0) return;
        if (count_ == 0 || other.lines_[0] < lines_[0]) status_ = other.status_;
        size_t merged[CsvDecodeResult::kListedLines];
        const size_t listed = std::min(count_, CsvDecodeResult::kListedLines);
        const size_t otherListed = std::min(other.count_, CsvDecodeResult::kListedLines);
        size_t a = 0, b = 0, n = 0;
        while (n < CsvDecodeResult::kListedLines && (a < listed || b < otherListed)) {
            const bool fromOther = a == listed || (b < otherListed && other.lines_[b] < lines_[a]);
            merged[n++] = fromOther ? other.lines_[b++] : lines_[a++];
        }
        std::copy(merged, merged + n, lines_);
        count_ += other.count_;
    }
    void Into(CsvDecodeResult& result) const {
        result.leftOut = count_;
        result.leftOutStatus = status_;
        std::copy(lines_, lines_ + std::min(count_, CsvDecodeResult::kListedLines), result.leftOutLines);
    }

private:
    size_t count_ = 0;
    size_t lines_[CsvDecodeResult::kListedLines] = {};
    CsvStatus status_ = CsvStatus::ok;
};

// Which rows make a longest run whose numbers rise strictly (patience
// sorting, n log n): the rows to keep when some are out of order.
std::vector<bool> LongestRisingRun(const std::vector<MeasurementRow>& rows) {
    constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    std::vector<std::uint32_t> tails;  // for each length, the row ending the run with the lowest last number
    std::vector<std::uint32_t> before(rows.size(), kNone);
    for (std::uint32_t i = 0; i < rows.size(); ++i) {
        const int number = rows[i].number;
        const auto at = std::lower_bound(tails.begin(), tails.end(), number,
                                         [&](std::uint32_t row, int n) { return rows[row].number < n; });
        // Of rows with one number, the first stays.
        if (at != tails.end() && rows[*at].number == number) continue;
        if (at != tails.begin()) before[i] = *(at - 1);
        if (at == tails.end()) {
            tails.push_back(i);
        } else {
            *at = i;
        }
    }
    std::vector<bool> kept(rows.size(), false);
    for (std::uint32_t i = tails.empty() ? kNone : tails.back(); i != kNone; i = before[i]) kept[i] = true;
    return kept;
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
    for (size_t i = first; i < log.size(); ++i) AppendRowLine(out, log[i], log[i].number);
    return out;
}

std::vector<unsigned char> EncodeLogCsv(const MeasurementLog& log) {
    Bytes out;
    out.reserve(log.fileSize());
    AppendHeader(out);
    for (const MeasurementRow& row : log.rows()) AppendRowLine(out, row, row.number);
    return out;
}

CsvDecodeResult DecodeLogCsv(const unsigned char* data, size_t size, MeasurementLog& log) {
    CsvDecodeResult result;
    if (size > MeasurementLog::kMaxFileSize) {
        result.status = CsvStatus::fileTooLarge;
        return result;
    }
    const unsigned char* p = data;
    const unsigned char* end = data + size;
    if (size >= 3 && std::equal(std::begin(kByteOrderMark), std::end(kByteOrderMark), p)) p += 3;

    CsvReader reader(p, end);
    Line line;
    bool lastEnded = false;  // the last line read has its line end
    if (!reader.AtEnd()) {
        // Only a file that starts with the header is a log.
        const unsigned char* headerStart = reader.position();
        CsvStatus status = reader.ReadLine(line);
        bool cut = false;
        if (FirstInvalidUtf8(headerStart, reader.position(), cut) != reader.position()) {
            result.status = CsvStatus::invalidUtf8;
            return result;
        }
        if (status == CsvStatus::wrongFieldCount || (status == CsvStatus::ok && !IsHeader(line)))
            status = CsvStatus::wrongHeader;
        if (status != CsvStatus::ok) {
            result.status = status;
            result.line = 1;
            return result;
        }
        lastEnded = line.ended;
    }

    LeftOutLines damaged;  // lines that hold no row
    std::vector<MeasurementRow> rows;
    std::vector<std::uint32_t> rowLines;  // the line of each row
    int previous = 0;                     // the number of the last row read
    bool rising = true;
    for (size_t number = 2; !reader.AtEnd(); ++number) {
        const unsigned char* lineStart = reader.position();
        CsvStatus status = reader.ReadLine(line);
        // Where the line's quotes and commas do not make a line of fields,
        // where it ends is not known either: the next line is taken to start
        // after its first line end.
        const bool unsplit = status != CsvStatus::ok;
        if (status == CsvStatus::ok && line.blank) {
            if (reader.OnlyLineEndsLeft()) {
                lastEnded = false;  // blank lines after the last row
                break;
            }
            status = CsvStatus::wrongFieldCount;
        }
        // A character cut in two by the end of the file may be a torn tail's.
        bool cut = false;
        const unsigned char* invalid = FirstInvalidUtf8(lineStart, reader.position(), cut);
        const bool characterCut = invalid != reader.position() && cut && reader.AtEnd();
        // Bytes that are not UTF-8 spoil the line; a character cut by the end
        // of the file leaves it to be seen whether the line is a torn tail.
        if (invalid != reader.position() && (!characterCut || status == CsvStatus::ok))
            status = CsvStatus::invalidUtf8;
        MeasurementRow row;
        // Whether the numbers rise is seen once every row is read.
        if (status == CsvStatus::ok) status = ReadRow(line, 0, row);
        if (status != CsvStatus::ok) {
            const bool wholeCharacters = invalid == reader.position() || characterCut;
            if (status != CsvStatus::misplacedQuote && wholeCharacters && reader.AtEnd() &&
                IsTornTail(line, previous, characterCut)) {
                result.tornTail = true;
                result.line = number;
                break;
            }
            damaged.Add(number, status);
            if (unsplit) reader.SkipLineFrom(lineStart);
            continue;
        }
        lastEnded = line.ended;
        if (rows.size() == MeasurementLog::kMaxRows) {
            damaged.Add(number, CsvStatus::tooManyRows);
            continue;
        }
        if (rows.empty()) {
            // Room for the rows the file holds from this one on: no more than
            // it has lines, nor than its size has room for, whatever its bytes.
            const size_t room = std::min({reader.CountLineEnds() + 2,
                                          static_cast<size_t>(end - lineStart) / kShortestRowLine + 1,
                                          MeasurementLog::kMaxRows});
            rows.reserve(room);
            rowLines.reserve(room);
        }
        if (row.number <= previous) rising = false;
        previous = row.number;
        rows.push_back(std::move(row));
        rowLines.push_back(static_cast<std::uint32_t>(number));
    }

    // The rows kept: a longest run of them whose numbers rise, then only as
    // many as the file's size allows, as Append would take them.
    std::vector<bool> kept;
    if (!rising) kept = LongestRisingRun(rows);
    LeftOutLines dropped;
    size_t fileSize = LogHeaderSize();
    size_t count = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!rising && !kept[i]) {
            dropped.Add(rowLines[i], CsvStatus::badNumber);
            continue;
        }
        const size_t lineSize = LogLineSize(rows[i]);
        if (lineSize > MeasurementLog::kMaxFileSize - fileSize) {
            dropped.Add(rowLines[i], CsvStatus::fileTooLarge);
            continue;
        }
        fileSize += lineSize;
        if (count != i) rows[count] = std::move(rows[i]);
        ++count;
    }
    rows.resize(count);
    damaged.Merge(dropped);
    damaged.Into(result);

    log.rows_ = std::move(rows);
    log.fileSize_ = fileSize;
    log.highestNumber_ = log.rows_.empty() ? 0 : log.rows_.back().number;
    result.appendable = size > 0 && p < end && lastEnded && !result.tornTail && result.leftOut == 0;
    return result;
}

std::vector<unsigned char> EncodeNumberMark(int highest) {
    Bytes out;
    AppendNumber(out, highest);
    AppendLineEnd(out);
    return out;
}

int DecodeNumberMark(const unsigned char* data, size_t size) {
    auto space = [](unsigned char b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n'; };
    const unsigned char* p = data;
    const unsigned char* end = data + size;
    while (p < end && space(*p)) ++p;
    while (end > p && space(end[-1])) --end;
    const size_t digits = static_cast<size_t>(end - p);
    if (digits == 0 || digits > 9 || (*p == '0' && digits > 1)) return -1;
    int number = 0;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9') return -1;
        number = number * 10 + (*p - '0');
    }
    return number <= MeasurementLog::kMaxNumber ? number : -1;
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
