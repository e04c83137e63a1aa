#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// A fresh folder under the temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool FileExists(const std::wstring& path);
std::vector<unsigned char> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);

// What a folder holds, one level deep: each file's name with its bytes, each
// folder's name with a backslash after it. Shows that nothing else was touched.
using FolderContents = std::map<std::wstring, std::vector<unsigned char>>;
FolderContents ContentsOf(const std::wstring& folder);

// The Unix path of a Windows path when running under Wine; empty elsewhere.
std::string UnixPathOf(const std::wstring& path);

// Runs a program of the Linux side under Wine (`program` as Wine sees it, for
// one Z:\usr\bin\ln) with these arguments, and waits until `done` says that
// it did its work; false on Windows, or when it fails or does not do it in
// time.
bool RunHostProgram(const std::wstring& program, const std::vector<std::string>& arguments,
                    const std::function<bool()>& done);

// Makes `link` a symbolic link to the file `target`: under Wine a Unix link
// (ln -s, as a user or a script makes one), on Windows with
// CreateSymbolicLinkW. False where it cannot be made.
bool MakeSymbolicLink(const std::wstring& link, const std::wstring& target);
