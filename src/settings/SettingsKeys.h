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
// Beside TreeView, not in it: a value there would share its name space with the groups' keys.
inline constexpr char TreeOrderKey[] = "SOFTWARE\\VOK System\\VOK_Address\\TreeOrder";
inline constexpr char OptionKey[] = "SOFTWARE\\VOK System\\VOK_Address\\Option";
inline constexpr char PrintKey[] = "SOFTWARE\\VOK System\\VOK_Address\\Print";
inline constexpr char SyncKey[] = "SOFTWARE\\VOK System\\VOK_Address\\Sync";

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

struct MultiString
{
    const char* key;
    const char* name;
};

// Window
inline constexpr String Style{WindowKey, "Style", ""};

// ListView: "Width0" .. "Width11" have no default (the column fits its contents).
inline constexpr char WidthPattern[] = "Width%1";
inline constexpr Dword Sort{ListViewKey, "Sort", 0x10};                      // by name, ascending
inline constexpr Dword ReadingColumn{ListViewKey, "ReadingColumn", 0};       // フリガナ shown
inline constexpr Dword AddresseeColumns{ListViewKey, "AddresseeColumns", 0}; // 敬称 .. 年賀

// TreeOrder: the user's groups in the order the tree shows them.
inline constexpr MultiString GroupOrder{TreeOrderKey, "Groups"};

// Option
inline constexpr Dword Newmail{OptionKey, "Newmail", 0};
inline constexpr Dword Tasktray{OptionKey, "Tasktray", 0};
inline constexpr Dword Startup{OptionKey, "Startup", 0};
inline constexpr String Shortcut{OptionKey, "Shortcut", ""};
inline constexpr String UserName{OptionKey, "UserName", ""};
inline constexpr String PassWord{OptionKey, "PassWord", ""};
inline constexpr String POPServer{OptionKey, "POPServer", ""};
inline constexpr Dword MailMsg{OptionKey, "MailMsg", 0};
inline constexpr Dword NoTrayMsg{OptionKey, "NoTrayMsg", 0}; // a desktop without a tray explained

// Sync: the CardDAV account (the password in the keyring when one answers).
inline constexpr String SyncServer{SyncKey, "Server", ""};
inline constexpr String SyncUser{SyncKey, "User", ""};
inline constexpr String SyncPassword{SyncKey, "Password", ""};
inline constexpr String SyncAddressBook{SyncKey, "AddressBook", ""};
inline constexpr String SyncTrustedCert{SyncKey, "TrustedCert", ""}; // SHA-256, hex
inline constexpr Dword SyncInterval{SyncKey, "Interval", 15};        // minutes, 0: never
inline constexpr Dword SyncGroupMode{SyncKey, "GroupMode", 0};       // SyncAccount::GroupMode

// Print: the sender, the lettering, the last print run's choices and where the labels sit.
inline constexpr String SenderName{PrintKey, "SenderName", ""};
inline constexpr String SenderPostalCode{PrintKey, "SenderPostalCode", ""};
inline constexpr String SenderAddress{PrintKey, "SenderAddress", ""}; // lines joined by "\n"
inline constexpr String FontFamily{PrintKey, "FontFamily", ""};       // empty: printing's own font
inline constexpr Dword Numerals{PrintKey, "Numerals", 0}; // 0 十, 1 一〇, 2 upright digits
inline constexpr Dword Layout{PrintKey, "Layout", 0};     // 0 postcard, 1 12 labels, 2 24 labels
inline constexpr Dword AddressKind{PrintKey, "AddressKind", 0}; // 0 home, 1 office
inline constexpr Dword Guides{PrintKey, "Guides", 0};           // card boxes, label outlines
inline constexpr Dword TateChuYoko{PrintKey, "TateChuYoko", 0}; // two digits in one cell
// What the printer needs each layout moved, "x,y" in millimetres (right and down).
inline constexpr String PostcardOffset{PrintKey, "PostcardOffset", ""};
inline constexpr String Label12Offset{PrintKey, "Label12Offset", ""};
inline constexpr String Label24Offset{PrintKey, "Label24Offset", ""};

// One label sheet, in tenths of a millimetre: paper edge to the first label, the label's size,
// and the step from one label to the next.
struct LabelSheetValues
{
    Dword left, top, width, height, pitchX, pitchY;
};
// 2 x 6 labels of 86.4 x 42.3 mm; 3 x 8 labels of 70 x 33.9 mm.
inline constexpr LabelSheetValues Label12{
    {PrintKey, "Label12Left", 186},   {PrintKey, "Label12Top", 216},
    {PrintKey, "Label12Width", 864},  {PrintKey, "Label12Height", 423},
    {PrintKey, "Label12PitchX", 864}, {PrintKey, "Label12PitchY", 423}};
inline constexpr LabelSheetValues Label24{
    {PrintKey, "Label24Left", 0},     {PrintKey, "Label24Top", 129},
    {PrintKey, "Label24Width", 700},  {PrintKey, "Label24Height", 339},
    {PrintKey, "Label24PitchX", 700}, {PrintKey, "Label24PitchY", 339}};

// The tool bar's and status bar's state, which Qt saves itself.
inline constexpr char BarSection[] = "ToolBars";
inline constexpr char BarState[] = "State";
inline constexpr char StatusBarShown[] = "StatusBar";

} // namespace SettingsKeys
