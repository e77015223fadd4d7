#include "PasswordStore.h"

#include "KeyringPasswordStore.h"

namespace {

struct Slot
{
    bool chosen = false;
    std::unique_ptr<PasswordStore> store;
};

Slot& slot()
{
    static Slot s;
    return s;
}

} // namespace

PasswordStore::~PasswordStore() = default;

PasswordStore* PasswordStore::current()
{
    Slot& s = slot();
    if (!s.chosen) {
        s.chosen = true;
        if (qEnvironmentVariable("VOK_PASSWORD_STORE") != QStringLiteral("file"))
            s.store = std::make_unique<KeyringPasswordStore>();
    }
    return s.store.get();
}

std::unique_ptr<PasswordStore> PasswordStore::forKey(const QString& key)
{
    if (!dynamic_cast<KeyringPasswordStore*>(current()))
        return nullptr;
    return std::make_unique<KeyringPasswordStore>(key);
}

void PasswordStore::chooseAgainForTesting()
{
    slot() = Slot();
}

void PasswordStore::setForTesting(std::unique_ptr<PasswordStore> store)
{
    Slot& s = slot();
    s.chosen = true;
    s.store = std::move(store);
}
