#pragma once
// The service manager: installed services and drivers, their states, and the
// calls that stop and delete them.
//
// A service is a key under HKEY_LOCAL_MACHINE
// "SYSTEM\CurrentControlSet\Services\<name>" in the registry store, so the
// manager and code that works on those keys directly always agree on what is
// installed. Nothing on this system runs such services: their state and
// behaviour are values of the key that a test or a seeded store sets (the
// kStandIn... names below):
//
//   state            the SERVICE_... state; missing means SERVICE_STOPPED
//   stop-pending     after an accepted stop, how many status queries still
//   polls            answer SERVICE_STOP_PENDING before the service has
//                    stopped; missing or 0 stops at once, kStopPendingForever
//                    never stops
//   stop refused     non-zero: the stop control is refused
//   delete refused   non-zero: the deletion is refused
//
// State changes are written back to the key. Failures answer null or 0 and
// leave the reason in the thread's last-error value. Access masks are taken
// but not checked: the stand-in grants every access.

#include <cstdint>

struct TServiceHandle;
using SC_HANDLE = TServiceHandle*;

// Key of the services below HKEY_LOCAL_MACHINE.
inline constexpr const char* kServicesKeyPath = "SYSTEM\\CurrentControlSet\\Services";

// Value names of the stand-in's state and scripted behaviour (REG_DWORD).
inline constexpr const char* kStandInStateValue = "StandInState";
inline constexpr const char* kStandInStopPendingPollsValue = "StandInStopPendingPolls";
inline constexpr const char* kStandInStopRefusedValue = "StandInStopRefused";
inline constexpr const char* kStandInDeleteRefusedValue = "StandInDeleteRefused";
inline constexpr std::uint32_t kStopPendingForever = 0xFFFFFFFFu;

inline constexpr std::uint32_t SC_MANAGER_ALL_ACCESS = 0x000F003F;
inline constexpr std::uint32_t SERVICE_ALL_ACCESS = 0x000F01FF;

// Controls.
inline constexpr std::uint32_t SERVICE_CONTROL_STOP = 0x00000001;

// States.
inline constexpr std::uint32_t SERVICE_STOPPED = 0x00000001;
inline constexpr std::uint32_t SERVICE_START_PENDING = 0x00000002;
inline constexpr std::uint32_t SERVICE_STOP_PENDING = 0x00000003;
inline constexpr std::uint32_t SERVICE_RUNNING = 0x00000004;

// Controls a service accepts (dwControlsAccepted).
inline constexpr std::uint32_t SERVICE_ACCEPT_STOP = 0x00000001;

struct SERVICE_STATUS {
    std::uint32_t dwServiceType;  // the key's "Type" value, 0 when it has none
    std::uint32_t dwCurrentState;
    std::uint32_t dwControlsAccepted;
    std::uint32_t dwWin32ExitCode;
    std::uint32_t dwServiceSpecificExitCode;
    std::uint32_t dwCheckPoint;
    std::uint32_t dwWaitHint;
};

// Opens the manager of the local machine (machineName null or empty);
// databaseName is not used. ERROR_INVALID_PARAMETER for another machine.
SC_HANDLE OpenSCManager(const char* machineName, const char* databaseName,
                        std::uint32_t desiredAccess);
// Opens an installed service by name (case ignored).
// ERROR_SERVICE_DOES_NOT_EXIST when it has no key, ERROR_INVALID_NAME for an
// empty name or one holding '\\', ERROR_INVALID_HANDLE for a bad manager.
SC_HANDLE OpenService(SC_HANDLE manager, const char* serviceName, std::uint32_t desiredAccess);
// Sends a control; only SERVICE_CONTROL_STOP is known
// (ERROR_INVALID_SERVICE_CONTROL otherwise). A stop is refused with
// ERROR_SERVICE_NOT_ACTIVE when the service is stopped,
// ERROR_SERVICE_CANNOT_ACCEPT_CTRL while it is stopping and
// ERROR_INVALID_SERVICE_CONTROL when scripted to refuse. status, when given,
// receives the state after the control (also after a refusal).
int ControlService(SC_HANDLE service, std::uint32_t control, SERVICE_STATUS* status);
// The service's current state. Each query of a stopping service counts as one
// poll of its scripted stop.
int QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status);
// Deletes the service's key with everything below it and saves the store.
// The handle stays open and answers ERROR_SERVICE_MARKED_FOR_DELETE from then
// on. A store that cannot be saved fails the call with its error (the key is
// gone from memory and goes from the file with the next save that works).
int DeleteService(SC_HANDLE service);
// Releases a manager or service handle; ERROR_INVALID_HANDLE for anything
// else.
int CloseServiceHandle(SC_HANDLE handle);
