#pragma once
// The team server's password, kept in the system's keyring (QtKeychain: the Secret Service on
// Linux, the Credential Store on Windows, the Keychain on macOS), never in a file of ours. One
// entry per server: its address without password, USER@HOST:PORT/DBNAME. The connection gives
// it to libpq as its `password` option; without an entry libpq still reads PGPASSWORD and
// ~/.pgpass.
//
// Each call waits at most its time-out for the keyring (a keyring that asks to be unlocked, or
// a service that never answers, holds nothing up): never on the window's thread.

#include <chrono>
#include <string>

namespace zv318 {

struct ServerAddress;

struct KeyringAnswer {
    enum Outcome {
        Done,       // read (the password in `password`), kept or forgotten
        NoEntry,    // the keyring answered and holds no password for this server
        NoKeyring,  // no keyring service answered (or it refused): `why` in its own words
    };
    Outcome outcome = NoKeyring;
    std::string password;
    std::string why;
};

inline constexpr std::chrono::milliseconds kKeyringTimeout{4000};

// The keyring's entry for the server: USER@HOST:PORT/DBNAME (libpq's port when none is given).
[[nodiscard]] std::string PasswordEntry(const ServerAddress& address);

[[nodiscard]] KeyringAnswer ReadServerPassword(const std::string& entry,
                                               std::chrono::milliseconds timeout = kKeyringTimeout);
[[nodiscard]] KeyringAnswer KeepServerPassword(const std::string& entry,
                                               const std::string& password,
                                               std::chrono::milliseconds timeout = kKeyringTimeout);
[[nodiscard]] KeyringAnswer ForgetServerPassword(
    const std::string& entry, std::chrono::milliseconds timeout = kKeyringTimeout);

}  // namespace zv318
