#include "boxfile/scale.h"

#include <cstdlib>
#include <cstring>
#include <numeric>

namespace kesto {
namespace {

std::int32_t RoundedQuotient(std::int64_t numerator, std::int64_t denominator) {
  const bool negative = (numerator < 0) != (denominator < 0);
  const std::int64_t n = std::llabs(numerator), d = std::llabs(denominator);
  const std::int64_t q = (2 * n + d) / (2 * d);
  const std::int64_t value = negative ? -q : q;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::int32_t TScale::ToDevice(std::int32_t logical) const {
  return Identity() ? logical : RoundedQuotient(static_cast<std::int64_t>(logical) * Device, Logical);
}

std::int32_t TScale::ToLogical(std::int32_t device) const {
  return Identity() ? device : RoundedQuotient(static_cast<std::int64_t>(device) * Logical, Device);
}

TScale ScaleFor(unsigned dpi, std::int32_t zoomPercent, bool dpiScaling) {
  if (!dpiScaling || dpi == 0) dpi = kLogicalDpi;
  if (zoomPercent <= 0) zoomPercent = 100;
  TScale scale;
  scale.Device = static_cast<std::int64_t>(dpi) * zoomPercent;
  scale.Logical = static_cast<std::int64_t>(kLogicalDpi) * 100;
  const std::int64_t common = std::gcd(scale.Device, scale.Logical);
  scale.Device /= common;
  scale.Logical /= common;
  return scale;
}

std::int32_t ZoomFromText(const char* text, bool& valid) {
  valid = false;
  if (!text || !*text) return 100;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  while (end && (*end == ' ' || *end == '\t' || *end == '%')) ++end;
  if (!end || *end != '\0' || value < 10 || value > 1000) return 100;
  valid = true;
  return static_cast<std::int32_t>(value);
}

std::string ScaledArtName(const std::string& name, const char* suffix) {
  const std::size_t slash = name.find_last_of("\\/");
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + suffix;
  return name.substr(0, dot) + suffix + name.substr(dot);
}

}  // namespace kesto
