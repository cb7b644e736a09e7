#pragma once

// The operating-system seam. Each interface is plain C++ so that the logic above
// it never depends on how a platform answers; platform/linux holds the real
// implementations and platform/fake the scriptable doubles that tests drive.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace platform {

// The machine's connectivity as a set of flags (the values are those the
// connection rules are written in).
enum ConnectionFlags : unsigned {
    ConnectionModem = 0x01,     // online through a modem (a point-to-point link)
    ConnectionLan = 0x02,       // online through a local network
    ConnectionProxy = 0x04,     // online through a proxy
    ConnectionModemBusy = 0x08, // the modem is busy with a non-Internet connection
};

class IConnectivity {
public:
    virtual ~IConnectivity() = default;
    // Fills `flags` and answers whether the machine is online at all. A query
    // that fails answers false (offline) with no flags.
    virtual bool GetConnectedState(unsigned& flags) = 0;
};

// The local wall clock as the program's date-time (days since 30/12/1899).
class IClock {
public:
    virtual ~IClock() = default;
    virtual double Now() = 0;
    // Sets the local time; answers false and describes why in `error` when the
    // system refuses (setting the clock needs privilege).
    virtual bool SetLocalTime(double value, std::string& error) = 0;
};

class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;
    // Version numbers the program's rules are written against: major.minor of
    // 4.9 or more means the notification area can show balloons.
    virtual int MajorVersion() = 0;
    virtual int MinorVersion() = 0;
    virtual int PlatformId() = 0;
    // The name of the user the program runs as (empty when it cannot be found).
    virtual std::string LoggedOnUserName() = 0;
};

// A small key/value store with the two roots the program uses. Keys are written
// the way the program names them ("\\Software\\Pulsim"); names are value names.
class IRegistry {
public:
    enum class Root { LocalMachine, CurrentUser };
    using Value = std::variant<bool, std::int64_t, std::string>;

    virtual ~IRegistry() = default;
    // Opens the key, creating it when `create` is true; false when it does not
    // exist (and was not to be created) or the store cannot be written.
    virtual bool OpenKey(Root root, const std::string& key, bool create) = 0;
    virtual bool KeyExists(Root root, const std::string& key) = 0;
    virtual std::optional<Value> ReadValue(Root root, const std::string& key, const std::string& name) = 0;
    // Writes (creating the key); false with a reason in `error` when the store
    // cannot be written. The stored state is never left half-written.
    virtual bool WriteValue(Root root, const std::string& key, const std::string& name, const Value& value,
                            std::string& error) = 0;
    virtual bool DeleteValue(Root root, const std::string& key, const std::string& name) = 0;

    // Convenience readers: a missing value or one of another type gives the default.
    bool ReadBool(Root root, const std::string& key, const std::string& name, bool defaultValue = false);
    std::int64_t ReadInteger(Root root, const std::string& key, const std::string& name, std::int64_t defaultValue = 0);
    std::string ReadString(Root root, const std::string& key, const std::string& name,
                           const std::string& defaultValue = {});
};

// The set of interfaces a part of the program is given. Pointers are not owned.
struct Platform {
    IConnectivity* connectivity = nullptr;
    IClock* clock = nullptr;
    ISystemInfo* systemInfo = nullptr;
    IRegistry* registry = nullptr;
};

} // namespace platform
