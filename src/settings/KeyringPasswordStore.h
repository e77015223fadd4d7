#pragma once

#include "PasswordStore.h"

namespace QKeychain {
class Job;
}

// The Secret Service (GNOME Keyring, KWallet) through QtKeychain. Each call waits for its
// answer in a local event loop, so that a keyring asking the user to unlock it does not
// freeze the window; a keyring that never answers is given up after a while.
class KeyringPasswordStore : public PasswordStore
{
public:
    Result read(QString& password) override;
    bool write(const QString& password) override;
    bool remove() override;

private:
    // False when the job did not finish in time.
    static bool run(QKeychain::Job& job);
    // Once no keyring answered, the run goes on without asking again.
    bool m_unavailable = false;
};
