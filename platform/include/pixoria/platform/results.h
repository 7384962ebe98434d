// Result codes of the platform layer, with the values of the Windows codes they stand for, so
// that diagnostics print the same numbers on every platform.
#pragma once

#include <cstdint>

namespace pixoria::platform {

// COM-style result (HRESULT): negative means failure.
using HResult = std::int32_t;

inline constexpr HResult kOk = 0;                                             // S_OK
inline constexpr HResult kFalse = 1;                                          // S_FALSE
inline constexpr HResult kNotImplemented = static_cast<HResult>(0x80004001);  // E_NOTIMPL
inline constexpr HResult kNoInterface = static_cast<HResult>(0x80004002);     // E_NOINTERFACE
inline constexpr HResult kPointer = static_cast<HResult>(0x80004003);         // E_POINTER
inline constexpr HResult kAbort = static_cast<HResult>(0x80004004);           // E_ABORT
inline constexpr HResult kFail = static_cast<HResult>(0x80004005);            // E_FAIL
inline constexpr HResult kClassNotRegistered =
    static_cast<HResult>(0x80040154);                                       // REGDB_E_CLASSNOTREG
inline constexpr HResult kAccessDenied = static_cast<HResult>(0x80070005);  // E_ACCESSDENIED
inline constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057);    // E_INVALIDARG
inline constexpr HResult kDownloadFailure =
    static_cast<HResult>(0x800C0008);  // INET_E_DOWNLOAD_FAILURE
inline constexpr HResult kResourceNotFound =
    static_cast<HResult>(0x800C0005);  // INET_E_RESOURCE_NOT_FOUND

inline constexpr bool succeeded(HResult result) {
  return result >= 0;
}
inline constexpr bool failed(HResult result) {
  return result < 0;
}

// Win32 error code (LSTATUS, GetLastError): 0 means success.
using ErrorCode = std::int32_t;

inline constexpr ErrorCode kErrorSuccess = 0;             // ERROR_SUCCESS
inline constexpr ErrorCode kErrorFileNotFound = 2;        // ERROR_FILE_NOT_FOUND
inline constexpr ErrorCode kErrorAccessDenied = 5;        // ERROR_ACCESS_DENIED
inline constexpr ErrorCode kErrorInvalidHandle = 6;       // ERROR_INVALID_HANDLE
inline constexpr ErrorCode kErrorInvalidData = 13;        // ERROR_INVALID_DATA
inline constexpr ErrorCode kErrorWriteProtect = 19;       // ERROR_WRITE_PROTECT
inline constexpr ErrorCode kErrorInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
inline constexpr ErrorCode kErrorDiskFull = 112;          // ERROR_DISK_FULL
inline constexpr ErrorCode kErrorFileTooLarge = 223;      // ERROR_FILE_TOO_LARGE
inline constexpr ErrorCode kErrorMoreData = 234;          // ERROR_MORE_DATA
inline constexpr ErrorCode kErrorUnsupportedType = 1630;  // ERROR_UNSUPPORTED_TYPE

}  // namespace pixoria::platform
