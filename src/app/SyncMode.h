#pragma once

#include "CommandLine.h"

#include <optional>

class CMainFrame;
class CVOK_AddressDoc;
class SyncEngine;

// VOK_Address --sync-setup URL USER [--trust-cert SHA256] [--address-book NAME]
// VOK_Address --sync [--force-delete] [--first-sync-merge]
// The set-up finds the account's address books and keeps the chosen one (the first, unless
// named) with the password. A sync runs in the running copy when there is one (so that its
// next save cannot undo what the sync brought), otherwise on the saved book, which it saves.
// Standard error gets the one-line summary "下り n / 上り n / 削除 n / 競合 n".
namespace SyncMode {

// Exit statuses by kind of failure.
enum Status
{
    Done = 0,
    Failed = 1,
    NeedsDecision = 3,
    AuthFailed = 4,
    Offline = 5,
};

CommandLine::Result setup(const QStringList& options);
CommandLine::Result run(const QStringList& options);
// The running copy's side of a script's "SYNC" line; nothing for any other line.
std::optional<QByteArray> answer(CMainFrame& frame, const QByteArray& line);
// Runs the engine to its end in a local event loop and turns its summary into a result.
CommandLine::Result runEngine(SyncEngine& engine);

} // namespace SyncMode
