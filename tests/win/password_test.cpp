// The school's password: PBKDF2 through the system's cryptography, the file
// beside the table in each state it can be in, and the password dialog of the
// real panel with it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "editor/password_check.h"
#include "message_box_catcher.h"
#include "panel_fixture.h"
#include "storage/password_file_win.h"

namespace {

using Icon = MessageBoxCatcher::Icon;

std::vector<unsigned char> Bytes(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

std::string Hex(const std::vector<unsigned char>& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : bytes) text += std::string{kDigits[b >> 4], kDigits[b & 15]};
    return text;
}

std::string Pbkdf2Hex(const std::string& password, const std::string& salt, uint32_t iterations) {
    std::vector<unsigned char> key(64);
    const std::vector<unsigned char> saltBytes = Bytes(salt);
    if (!Pbkdf2Sha256(password, saltBytes.data(), saltBytes.size(), iterations, key.data(), key.size())) return "";
    return Hex(key);
}

// The school's password of the fixture below, with letters beyond ASCII so
// that both sides must hash the same UTF-8 bytes.
const wchar_t kSchoolPassword[] = L"Lab \u00B5-7 \u00FC";

// A line as Python's hashlib makes it, as the Linux launcher writes it:
//   python3 -c "import hashlib; pw='Lab µ-7 ü'; salt=bytes.fromhex('0f1e2d3c4b5a69788796a5b4c3d2e1f0');
//     print('pbkdf2-sha256\$%d\$%s\$%s' % (200000, salt.hex(),
//     hashlib.pbkdf2_hmac('sha256', pw.encode('utf-8'), salt, 200000, 32).hex()))"
const char kPythonLine[] =
    "pbkdf2-sha256$200000$0f1e2d3c4b5a69788796a5b4c3d2e1f0$"
    "ae42c3098fd76bd9bf26487cfef24eb4dcea5eeccf7c00baa4dc64b43a1da12e\n";

// Ways a file can be there and still not hold a digest.
const char* const kDamagedFiles[] = {
    "",
    "479 zkp\n",
    "pbkdf2-sha256$200000$0f1e2d3c4b5a69788796a5b4c3d2e1f0$"
    "ae42c3098fd76bd9bf26487cfef24eb4dcea5eeccf7c00baa4dc64b43a1da1\n",  // cut short
    "pbkdf2-sha256$200000$0F1E2D3C4B5A69788796A5B4C3D2E1F0$"
    "AE42C3098FD76BD9BF26487CFEF24EB4DCEA5EECCF7C00BAA4DC64B43A1DA12E\n",  // capitals
    "pbkdf2-sha256$1000$0f1e2d3c4b5a69788796a5b4c3d2e1f0$"
    "ae42c3098fd76bd9bf26487cfef24eb4dcea5eeccf7c00baa4dc64b43a1da12e\n",  // too few iterations
};

// Something in the file's place that cannot be read: the file held open by
// another program that shares it with nobody, or a folder of its name.
class Unreadable {
public:
    enum Kind { heldOpen, folder };
    Unreadable(const std::wstring& path, Kind kind) : path_(path), kind_(kind) {
        if (kind == heldOpen) {
            WriteFileBytes(path, Bytes(kPythonLine));
            held_ = UniqueHandle(
                CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        } else {
            made_ = CreateDirectoryW(path.c_str(), nullptr) != FALSE;
        }
    }
    ~Unreadable() {
        held_.Reset();
        if (kind_ == heldOpen) DeleteFileW(path_.c_str());
        if (made_) RemoveDirectoryW(path_.c_str());
    }
    bool ready() const { return kind_ == heldOpen ? held_.valid() : made_; }

private:
    std::wstring path_;
    Kind kind_;
    UniqueHandle held_;
    bool made_ = false;
};

}  // namespace

// RFC 7914, section 11: PBKDF2-HMAC-SHA256 with 64 bytes of output.
TEST(SchoolPasswordDigest, TheSystemsPbkdf2GivesTheKnownVectorsAndANewDigestChecksOut) {
    EXPECT_EQ(Pbkdf2Hex("passwd", "salt", 1),
              "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
              "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
    EXPECT_EQ(Pbkdf2Hex("Password", "NaCl", 80000),
              "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
              "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d");

    // The line Python writes is read, and its password is the one it holds.
    const auto python = ParsePasswordDigest(Bytes(kPythonLine));
    ASSERT_TRUE(python.has_value());
    std::vector<unsigned char> key(kPasswordKeySize);
    ASSERT_TRUE(Pbkdf2Sha256(PasswordUtf8(kSchoolPassword), python->salt, kPasswordSaltSize, python->iterations,
                             key.data(), key.size()));
    EXPECT_TRUE(SameKey(key.data(), python->key));

    // Two digests of one password: salts of their own, iterations as written.
    const auto first = MakePasswordDigest(kSchoolPassword);
    const auto second = MakePasswordDigest(kSchoolPassword);
    ASSERT_TRUE(first.has_value());
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(first->iterations, kPasswordIterations);
    EXPECT_NE(std::vector<unsigned char>(first->salt, first->salt + kPasswordSaltSize),
              std::vector<unsigned char>(second->salt, second->salt + kPasswordSaltSize));
    EXPECT_FALSE(SameKey(first->key, second->key));
    ASSERT_TRUE(Pbkdf2Sha256(PasswordUtf8(kSchoolPassword), first->salt, kPasswordSaltSize, first->iterations,
                             key.data(), key.size()));
    EXPECT_TRUE(SameKey(key.data(), first->key));
}

TEST(SchoolPasswordFile, DecidesWhichPasswordOpensTheTable) {
    ScratchFolder folder;
    const std::wstring path = folder.File(L"Tesmor.pwd");
    const auto verdict = [&path](const std::wstring& typed) { return CheckEditorPassword(typed, path); };

    // No file: the built-in password, exactly.
    EXPECT_EQ(ReadPasswordFile(path).state, PasswordFileState::missing);
    EXPECT_EQ(verdict(kEditorPassword), PasswordVerdict::accepted);
    EXPECT_EQ(verdict(kSchoolPassword), PasswordVerdict::refused);
    EXPECT_EQ(verdict(L"479 zkp "), PasswordVerdict::refused);
    // Nor a folder of the file's that is missing too.
    EXPECT_EQ(CheckEditorPassword(kEditorPassword, folder.File(L"gone\\Tesmor.pwd")), PasswordVerdict::accepted);

    // The file the Linux launcher writes: the school's password only.
    ASSERT_TRUE(WriteFileBytes(path, Bytes(kPythonLine)));
    EXPECT_EQ(ReadPasswordFile(path).state, PasswordFileState::valid);
    EXPECT_EQ(verdict(kSchoolPassword), PasswordVerdict::accepted);
    EXPECT_EQ(verdict(kEditorPassword), PasswordVerdict::refused);
    for (const wchar_t* close : {L"Lab \u00B5-7 \u00FC ", L"lab \u00B5-7 \u00FC", L"Lab \u00B5-7 u", L""}) {
        EXPECT_EQ(verdict(close), PasswordVerdict::refused) << wcslen(close);
    }
    // With CR LF, as an editor on Windows saves it.
    std::string crlf = kPythonLine;
    crlf.insert(crlf.size() - 1, "\r");
    ASSERT_TRUE(WriteFileBytes(path, Bytes(crlf)));
    EXPECT_EQ(verdict(kSchoolPassword), PasswordVerdict::accepted);

    // Written here: the same.
    const auto digest = MakePasswordDigest(L"second school");
    ASSERT_TRUE(digest.has_value());
    ASSERT_EQ(WritePasswordFile(path, *digest), 0u);
    EXPECT_EQ(ReadFileBytes(path), FormatPasswordDigest(*digest));
    EXPECT_EQ(verdict(L"second school"), PasswordVerdict::accepted);
    EXPECT_EQ(verdict(kSchoolPassword), PasswordVerdict::refused);
    EXPECT_EQ(verdict(kEditorPassword), PasswordVerdict::refused);
    EXPECT_FALSE(FileExists(path + L".new"));

    // Damaged: nothing opens the table, the built-in password least of all.
    for (const char* damaged : kDamagedFiles) {
        SCOPED_TRACE(damaged);
        ASSERT_TRUE(WriteFileBytes(path, Bytes(damaged)));
        EXPECT_EQ(ReadPasswordFile(path).state, PasswordFileState::damaged);
        EXPECT_EQ(verdict(kEditorPassword), PasswordVerdict::locked);
        EXPECT_EQ(verdict(kSchoolPassword), PasswordVerdict::locked);
    }
    ASSERT_TRUE(DeleteFileW(path.c_str()));

    for (Unreadable::Kind kind : {Unreadable::heldOpen, Unreadable::folder}) {
        SCOPED_TRACE(kind == Unreadable::heldOpen ? "held open" : "a folder");
        Unreadable unreadable(path, kind);
        ASSERT_TRUE(unreadable.ready());
        EXPECT_EQ(ReadPasswordFile(path).state, PasswordFileState::unreadable);
        EXPECT_EQ(verdict(kEditorPassword), PasswordVerdict::locked);
        EXPECT_EQ(verdict(kSchoolPassword), PasswordVerdict::locked);
    }
}

namespace {

// The real panel with a school's password file beside panel_tests.exe, where
// the panel's table lies.
class SchoolPassword : public PanelFixture {
protected:
    void SetUp() override {
        PanelFixture::SetUp();
        Remove();
    }
    void TearDown() override {
        PanelFixture::TearDown();
        Remove();
    }
    void Remove() {
        DeleteFileW(path_.c_str());
        RemoveDirectoryW(path_.c_str());
    }

    // Types each password in turn; true when the table opened (it is then
    // cancelled), false when the password dialog was still there at the end
    // (it is then cancelled).
    bool TryPasswords(const std::vector<std::wstring>& passwords) {
        DialogScript script;
        for (const std::wstring& password : passwords) EnterPassword(script, password);
        bool tableOpened = false;
        script.Then("close what is open", [&tableOpened] {
            HWND open = Table() ? Table() : PasswordWindow();
            if (!open) return false;
            tableOpened = open == Table();
            SendMessageW(open, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return true;
        });
        OpenParameterEditor(panel_.window());
        EXPECT_TRUE(script.finished());
        return tableOpened;
    }

    std::wstring path_ = ModulePath().substr(0, ModulePath().size() - 3) + L"pwd";
};

}  // namespace

TEST_F(SchoolPassword, OnlyTheSchoolsPasswordOpensTheTable) {
    ASSERT_TRUE(WriteFileBytes(path_, Bytes(kPythonLine)));
    Start();
    MessageBoxCatcher catcher;
    EXPECT_TRUE(TryPasswords({kEditorPassword, L"Lab \u00B5-7 \u00FC ", kSchoolPassword}));
    ASSERT_EQ(catcher.boxes().size(), 2u);
    for (const MessageBoxCatcher::Box& box : catcher.boxes()) {
        EXPECT_EQ(box.text, L"Sorry, incorrect password.");
        EXPECT_EQ(box.caption, kCaption);
        EXPECT_EQ(box.icon, Icon::error);
        EXPECT_TRUE(box.hasOwner);
    }
}

TEST_F(SchoolPassword, ADamagedOrUnreadableFileOpensToNoPasswordAndSaysHowToReset) {
    Start();
    const auto expectLocked = [this](const char* what) {
        SCOPED_TRACE(what);
        MessageBoxCatcher catcher;
        EXPECT_FALSE(TryPasswords({kEditorPassword, kSchoolPassword}));
        ASSERT_EQ(catcher.boxes().size(), 2u);
        for (const MessageBoxCatcher::Box& box : catcher.boxes()) {
            EXPECT_NE(box.text.find(path_), std::wstring::npos) << "the file is not named";
            EXPECT_NE(box.text.find(L"installer"), std::wstring::npos);
            EXPECT_NE(box.text.find(L"/PASSWORD="), std::wstring::npos);
            EXPECT_NE(box.text.find(L"sudo tesmor --set-password"), std::wstring::npos);
            EXPECT_NE(box.text.find(L"administrator deletes that file"), std::wstring::npos);
            EXPECT_EQ(box.caption, kCaption);
            EXPECT_EQ(box.icon, Icon::error);
            EXPECT_TRUE(box.hasOwner);
        }
    };
    for (const char* damaged : kDamagedFiles) {
        ASSERT_TRUE(WriteFileBytes(path_, Bytes(damaged)));
        expectLocked(damaged);
    }
    DeleteFileW(path_.c_str());
    {
        Unreadable unreadable(path_, Unreadable::heldOpen);
        ASSERT_TRUE(unreadable.ready());
        expectLocked("held open");
    }
    {
        Unreadable unreadable(path_, Unreadable::folder);
        ASSERT_TRUE(unreadable.ready());
        expectLocked("a folder");
    }
    // Without the file the built-in password opens the table again.
    MessageBoxCatcher catcher;
    EXPECT_TRUE(TryPasswords({kEditorPassword}));
    EXPECT_TRUE(catcher.boxes().empty());
}
