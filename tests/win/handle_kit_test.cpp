// The owners of handles that the rest of the program leans on: each handle
// released exactly once, whoever ends up holding it, and a file replaced
// whole or not at all.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

#include "base/com_apartment.h"
#include "base/gdi.h"
#include "base/unique_handle.h"
#include "gui_objects.h"
#include "scratch_folder.h"
#include "storage/file_replace_win.h"

TEST(HandleKit, AnOwnerHandedOnReleasesItsObjectOnceAndOneGivenAnotherReleasesTheOld) {
    const GuiObjects start = CountGuiObjects();
    {
        GdiObject<HBRUSH> made(CreateSolidBrush(RGB(1, 2, 3)));
        ASSERT_TRUE(made);
        GdiObject<HBRUSH> taken(std::move(made));
        EXPECT_FALSE(made);
        EXPECT_EQ(GetObjectType(taken.get()), static_cast<DWORD>(OBJ_BRUSH));
        EXPECT_EQ(CountGuiObjects().gdi, start.gdi + 1);

        GdiObject<HBRUSH> other(CreateSolidBrush(RGB(4, 5, 6)));
        EXPECT_EQ(CountGuiObjects().gdi, start.gdi + 2);
        // The brush `other` held goes; the one it takes stays alive.
        other = std::move(taken);
        EXPECT_FALSE(taken);
        EXPECT_EQ(CountGuiObjects().gdi, start.gdi + 1);
        EXPECT_EQ(GetObjectType(other.get()), static_cast<DWORD>(OBJ_BRUSH));

        // Handed over, the brush is the caller's to delete.
        HBRUSH handedOver = other.release();
        EXPECT_FALSE(other);
        EXPECT_EQ(CountGuiObjects().gdi, start.gdi + 1);
        DeleteObject(handedOver);
    }
    EXPECT_EQ(CountGuiObjects().gdi, start.gdi);
}

TEST(HandleKit, ComIsUninitialisedOnlyWhereTheApartmentInitialisedIt) {
    std::thread([] {
        // A thread of its own: the apartment initialises COM and undoes it,
        // after which the thread may enter the other kind of apartment.
        {
            ComApartment com;
            EXPECT_EQ(com.result(), S_OK);
        }
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);

        // Already in the multithreaded apartment: CoInitialize refuses, and the
        // apartment must leave the thread's own initialisation alone.
        {
            ComApartment com;
            EXPECT_EQ(com.result(), RPC_E_CHANGED_MODE);
        }
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE) << "COM was uninitialised under us";
        CoUninitialize();
        CoUninitialize();
    }).join();
}

namespace {

// The system's calls, but every write fails as on a full disk.
class FullDisk : public SaveFileCalls {
public:
    bool Write(HANDLE, const unsigned char*, DWORD, DWORD& written) override {
        written = 0;
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
};

}  // namespace

TEST(HandleKit, AFileIsReplacedWholeOrNotAtAllAndNoTemporaryFileStays) {
    ScratchFolder folder;
    const std::wstring path = folder.File(L"data.bin");
    const std::wstring pending = path + L".new";
    const std::vector<unsigned char> old = {'o', 'l', 'd'};
    const std::vector<unsigned char> fresh(5000, 'n');
    ASSERT_TRUE(WriteFileBytes(path, old));
    {
        SCOPED_TRACE("a write that fails");
        FullDisk calls;
        FileReplacement replacement(calls, path, pending);
        ASSERT_TRUE(replacement.opened());
        EXPECT_FALSE(replacement.Commit(replacement.Write(fresh, true)));
        EXPECT_EQ(replacement.error(), static_cast<DWORD>(ERROR_DISK_FULL));
        EXPECT_EQ(ReadFileBytes(path), old);
        EXPECT_FALSE(FileExists(pending));
    }
    {
        SCOPED_TRACE("a replacement given up without a commit");
        SaveFileCalls calls;
        {
            FileReplacement replacement(calls, path, pending);
            ASSERT_TRUE(replacement.Write(fresh, false));
        }
        EXPECT_EQ(ReadFileBytes(path), old);
        EXPECT_FALSE(FileExists(pending));
    }
    {
        SCOPED_TRACE("the file held open by another program that lets nobody delete it");
        UniqueHandle holder(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        EXPECT_NE(ReplaceFileWith(path, pending, fresh), 0u);
        holder.Reset();
        EXPECT_EQ(ReadFileBytes(path), old);
        EXPECT_FALSE(FileExists(pending));
    }
    {
        SCOPED_TRACE("nothing in the way");
        EXPECT_EQ(ReplaceFileWith(path, pending, fresh), 0u);
        EXPECT_EQ(ReadFileBytes(path), fresh);
        EXPECT_FALSE(FileExists(pending));
    }
}
