#include "ContactUid.h"

#include "RecordFingerprint.h"
#include "model/text/Hex.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <random>
#include <sys/random.h>

namespace {

// One call to the kernel for many identities: an import gives thousands at once. A child of
// a fork must not repeat the parent's.
bool kernelRandom(std::uint8_t* out, std::size_t size)
{
    constexpr std::size_t kBatch = 4096;
    thread_local std::array<std::uint8_t, kBatch> pool;
    thread_local std::size_t left = 0;
    thread_local unsigned forksSeen = 0;
    static std::atomic<unsigned> forks = [] {
        ::pthread_atfork(nullptr, nullptr, [] { forks.fetch_add(1); });
        return 0u;
    }();
    if (forksSeen != forks.load())
        left = 0;
    if (left < size) {
        std::size_t got = 0;
        while (got < kBatch) {
            const ssize_t n = ::getrandom(pool.data() + got, kBatch - got, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            got += std::size_t(n);
        }
        left = kBatch;
        forksSeen = forks.load();
    }
    std::memcpy(out, pool.data() + kBatch - left, size);
    std::memset(pool.data() + kBatch - left, 0, size);
    left -= size;
    return true;
}

} // namespace

ContactUid ContactUid::generate()
{
    ContactUid uid;
    // Without a kernel source: the library's, seeded once.
    if (!kernelRandom(uid.m_bytes.data(), uid.m_bytes.size())) {
        static std::mt19937_64 engine{std::random_device{}()};
        for (auto& b : uid.m_bytes)
            b = static_cast<std::uint8_t>(engine());
    }
    uid.m_bytes[6] = static_cast<std::uint8_t>((uid.m_bytes[6] & 0x0F) | 0x40); // version 4
    uid.m_bytes[8] = static_cast<std::uint8_t>((uid.m_bytes[8] & 0x3F) | 0x80); // RFC 4122
    return uid;
}

std::optional<ContactUid> ContactUid::parse(std::string_view text)
{
    if (text.size() > 9 && (text.substr(0, 9) == "urn:uuid:" || text.substr(0, 9) == "URN:UUID:"))
        text.remove_prefix(9);
    if (text.size() != 36)
        return std::nullopt;
    ContactUid uid;
    std::size_t b = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        const int hi = Hex::digitValue(text[i]);
        const int lo = Hex::digitValue(text[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        uid.m_bytes[b++] = static_cast<std::uint8_t>(hi << 4 | lo);
        i += 2;
    }
    return uid;
}

ContactUid ContactUid::fromForeign(std::string_view text)
{
    if (const auto uid = parse(text))
        return *uid;
    ContactUid uid;
    const std::uint64_t a = RecordFingerprint::hash(text, 0x55494431ull);
    const std::uint64_t b = RecordFingerprint::hash(text, 0x55494432ull);
    std::memcpy(uid.m_bytes.data(), &a, 8);
    std::memcpy(uid.m_bytes.data() + 8, &b, 8);
    uid.m_bytes[6] = static_cast<std::uint8_t>((uid.m_bytes[6] & 0x0F) | 0x80); // version 8
    uid.m_bytes[8] = static_cast<std::uint8_t>((uid.m_bytes[8] & 0x3F) | 0x80);
    return uid;
}

std::string ContactUid::toString() const
{
    std::string out;
    appendTo(out);
    return out;
}

void ContactUid::appendTo(std::string& out) const
{
    static constexpr char digits[] = "0123456789abcdef";
    char text[36];
    std::size_t n = 0;
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text[n++] = '-';
        text[n++] = digits[m_bytes[i] >> 4];
        text[n++] = digits[m_bytes[i] & 0x0F];
    }
    out.append(text, n);
}

std::size_t ContactUid::hash() const
{
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, m_bytes.data(), 8);
    std::memcpy(&b, m_bytes.data() + 8, 8);
    return std::size_t(a ^ (b * 0x9E3779B97F4A7C15ull));
}
