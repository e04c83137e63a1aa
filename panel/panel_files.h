#pragma once

#include <windows.h>

#include <string>

#include "measurements/log_store_win.h"
#include "model/material_table.h"

// The program's files as the panel uses them. The program owns them (where
// they lie, the table's file and what it held, the measurement log's store):
// the panel keeps no path of its own.
class PanelFiles {
public:
    virtual ~PanelFiles() = default;

    // The panel is being made: the paths beside the program, its title as
    // the caption of every message, the log's store.
    virtual void Open(HWND panel) = 0;
    virtual const std::wstring& caption() const = 0;
    virtual const std::wstring& helpFilePath() const = 0;
    // The school's password file beside the table, which the password dialog reads.
    virtual const std::wstring& passwordFilePath() const = 0;
    virtual LogStore& logStore() = 0;
    // The table from its file, or the defaults.
    virtual void LoadTable(MaterialTable& table) = 0;
    // The table at a close; quiet at the end of the session, when nobody is
    // there to be told of a failure.
    virtual void SaveTable(const MaterialTable& table, bool quiet) = 0;
};
