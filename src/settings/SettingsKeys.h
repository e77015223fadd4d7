#pragma once

#include <QtGlobal>

// Every key and value of the settings store, with its default, in one table. The names are the
// ones the address book has always stored, so that settings carried between machines keep
// working; only the typed settings classes beside this file use them.
namespace SettingsKeys {

inline constexpr char AppKey[] = "SOFTWARE\\VOK System\\VOK_Address";
inline constexpr char WindowKey[] = "SOFTWARE\\VOK System\\VOK_Address\\Window";
inline constexpr char ListViewKey[] = "SOFTWARE\\VOK System\\VOK_Address\\ListView";
inline constexpr char TreeViewKey[] = "SOFTWARE\\VOK System\\VOK_Address\\TreeView";
inline constexpr char OptionKey[] = "SOFTWARE\\VOK System\\VOK_Address\\Option";

struct Dword
{
    const char* key;
    const char* name;
    quint32 fallback;
};

struct String
{
    const char* key;
    const char* name;
    const char* fallback;
};

// Window
inline constexpr String Style{WindowKey, "Style", ""};

// ListView: "Width0" .. "Width5" have no default (the column fits its contents).
inline constexpr char WidthPattern[] = "Width%1";
inline constexpr Dword Sort{ListViewKey, "Sort", 0x11};

// Option
inline constexpr Dword Newmail{OptionKey, "Newmail", 0};
inline constexpr Dword Tasktray{OptionKey, "Tasktray", 0};
inline constexpr Dword Startup{OptionKey, "Startup", 0};
inline constexpr String Shortcut{OptionKey, "Shortcut", ""};
inline constexpr String UserName{OptionKey, "UserName", ""};
inline constexpr String PassWord{OptionKey, "PassWord", ""};
inline constexpr String POPServer{OptionKey, "POPServer", ""};
inline constexpr Dword MailMsg{OptionKey, "MailMsg", 0};

// The tool bar's and status bar's state, which Qt saves itself.
inline constexpr char BarSection[] = "ToolBars";
inline constexpr char BarState[] = "State";
inline constexpr char StatusBarShown[] = "StatusBar";

} // namespace SettingsKeys
