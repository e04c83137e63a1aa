#include "app/parameter_file_notices_win.h"

#include <windows.h>

const wchar_t kFileDoesNotOpenText[] =
    L"The file of parameters does not open.\nMaybe it does not exist yet? ---> Will be!";
const wchar_t kFileCannotBeOpenText[] =
    L"The file of parameters cannot be open.\nParameters will not be written.";
const wchar_t kFileDamagedText[] = L"The file of parameters is damaged.\nThe default parameters are used.";
// "Не должно быть!" ("This must not happen!"), the text of the internal checks.
const wchar_t kInternalErrorText[] =
    L"\u041D\u0435 \u0434\u043E\u043B\u0436\u043D\u043E \u0431\u044B\u0442\u044C!";
const wchar_t kReadCountErrorCaption[] = L"void Read.1.(...)";
const wchar_t kReadSelectorErrorCaption[] = L"void Read.2.(...)";
const wchar_t kWriteErrorCaption[] = L"void Write...(...)";

namespace {

void Tell(const wchar_t* text, const std::wstring& caption) {
    MessageBoxW(nullptr, text, caption.c_str(), MB_OK | MB_ICONINFORMATION);
}

void TellInternalError(const wchar_t* caption) {
    MessageBoxW(nullptr, kInternalErrorText, caption, MB_OK | MB_ICONERROR);
}

bool TellWrite(const std::wstring& caption, const ParameterFileWrite& write, bool quiet) {
    if (write.internalError) TellInternalError(kWriteErrorCaption);
    if (!write.written && !quiet) Tell(kFileCannotBeOpenText, caption);
    return write.written;
}

}  // namespace

ParameterFileLoad LoadParameterFile(const std::wstring& caption, const std::wstring& path,
                                    MaterialTable& table, std::vector<unsigned char>* fileBytes) {
    const ParameterFileRead read = ReadParameterFile(path, table, fileBytes);
    switch (read.notice) {
    case ParameterFileNotice::doesNotOpen:
        Tell(kFileDoesNotOpenText, caption);
        break;
    case ParameterFileNotice::damaged:
        Tell(kFileDamagedText, caption);
        break;
    case ParameterFileNotice::countUnreadable:
        TellInternalError(kReadCountErrorCaption);
        break;
    case ParameterFileNotice::selectorUnknown:
        TellInternalError(kReadSelectorErrorCaption);
        break;
    case ParameterFileNotice::none:
        break;
    }
    return read.load;
}

bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table,
                       SaveOptions options) {
    SaveFileCalls system;
    return SaveParameterFile(caption, path, table, system, options);
}

bool SaveParameterFile(const std::wstring& caption, const std::wstring& path, const MaterialTable& table,
                       SaveFileCalls& calls, SaveOptions options) {
    return TellWrite(caption, WriteParameterFile(path, table, calls, options.backUpOldFile), options.quiet);
}

bool SaveChangedParameterFile(const std::wstring& caption, const std::wstring& path,
                              const MaterialTable& table, std::vector<unsigned char>& fileBytes,
                              SaveOptions options) {
    return TellWrite(caption, WriteChangedParameterFile(path, table, fileBytes, options.backUpOldFile),
                     options.quiet);
}
