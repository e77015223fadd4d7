#pragma once

#include "PasswordStore.h"

namespace QKeychain {
class Job;
}

// The Secret Service (GNOME Keyring, KWallet) through QtKeychain. Each call waits for its
// answer in a local event loop, so that a keyring asking the user to unlock it does not
// freeze the window. Before the first call the keyring must answer a ping on the session bus
// within a few seconds: without a session bus there is none, and a keyring whose start hangs
// would keep the call waiting for the bus's own bound of two minutes.
class KeyringPasswordStore : public PasswordStore
{
public:
    // key: which password of the program's (the POP3 one by default).
    explicit KeyringPasswordStore(QString key = {});

    Result read(QString& password) override;
    bool write(const QString& password) override;
    bool remove() override;

private:
    // False when the job did not finish in time.
    bool run(QKeychain::Job& job) const;
    // True when a keyring service answers on the session bus within a few seconds.
    static bool answers();
    bool available();

    QString m_key;
    bool m_probed = false;
    // Once no keyring answered, the run goes on without asking again.
    bool m_unavailable = false;
};
