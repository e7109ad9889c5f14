// The scrambled form of update and web tokens: lower-case letters b..k and s..x standing for hex
// digits, a key byte pair, padding on both sides and an 8-bit check byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The plain token, or nothing when the text does not decode (bad digits, odd length, wrong check
// byte, padding lengths beyond the token).
std::optional<std::string> TryDecodeToken(std::string_view scrambled);
// The plain token; an undecodable one yields a random decimal number below 99999 from `random`,
// so that it never equals another token except by chance.
std::string DecodeToken(std::string_view scrambled, uint32_t (*random)() = nullptr);
// The scrambled form of `plain`, padded to 28 bytes (56 letters) where it fits. `seed` picks the
// key and the padding; equal seeds give equal output, so builds are reproducible.
std::string EncodeToken(std::string_view plain, uint32_t seed);
