#pragma once

inline constexpr const char* kTesselVersion = "1.30.00.01";
inline constexpr const char* kTesselDate = "2012.06.14";
inline constexpr unsigned kNvdataMajorVersionSupported = 0x2D00;
