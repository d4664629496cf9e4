#pragma once
// The guard service's names, shared by the service, its setup and the tests.
namespace tembrel::guard {

inline constexpr const wchar_t* kServiceName = L"TembrelGuard";
inline constexpr const wchar_t* kServiceDisplayName = L"Tembrel guard";
// The class of Tembrel's session window, which the hung check asks.
inline constexpr const wchar_t* kSessionWindowClass = L"TembrelSessionWindow";

} // namespace tembrel::guard
