#include "platform/time.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

// The stored seconds are unsigned 32-bit: a time before 1970 becomes 0 ("not
// set") and one after 2106-02-07 saturates at the last representable second,
// rather than wrapping to an unrelated date.
DWORD to_stored_seconds(std::time_t time) {
  if (time < 0) return 0;
  constexpr auto last = std::numeric_limits<DWORD>::max();
  if (static_cast<std::uint64_t>(time) > last) return last;
  return static_cast<DWORD>(time);
}

struct tm local_parts(DWORD seconds) {
  struct tm parts {};
  const std::time_t time = seconds;
  if (localtime_r(&time, &parts) == nullptr) std::memset(&parts, 0, sizeof parts);
  return parts;
}

}  // namespace

CTime::CTime(std::time_t time) : m_time(to_stored_seconds(time)) {}

CTime::CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST) {
  struct tm parts {};
  parts.tm_year = nYear - 1900;
  parts.tm_mon = nMonth - 1;
  parts.tm_mday = nDay;
  parts.tm_hour = nHour;
  parts.tm_min = nMin;
  parts.tm_sec = nSec;
  parts.tm_isdst = nDST;
  m_time = to_stored_seconds(std::mktime(&parts));
}

CTime CTime::GetCurrentTime() { return CTime(std::time(nullptr)); }

int CTime::GetYear() const { return local_parts(m_time).tm_year + 1900; }

int CTime::GetMonth() const { return local_parts(m_time).tm_mon + 1; }

int CTime::GetDay() const { return local_parts(m_time).tm_mday; }

int CTime::GetHour() const { return local_parts(m_time).tm_hour; }

int CTime::GetMinute() const { return local_parts(m_time).tm_min; }

int CTime::GetSecond() const { return local_parts(m_time).tm_sec; }

int CTime::GetDayOfWeek() const { return local_parts(m_time).tm_wday + 1; }

struct tm* CTime::GetLocalTm(struct tm* ptm) const {
  if (ptm == nullptr) return nullptr;
  const std::time_t time = m_time;
  return localtime_r(&time, ptm);
}

CString CTime::Format(LPCSTR pszFormat) const {
  if (pszFormat == nullptr || *pszFormat == '\0') return CString();
  const struct tm parts = local_parts(m_time);
  // strftime gives 0 both for an empty result and for a buffer too small, so
  // grow a few times and then accept the empty answer.
  std::string buffer(256, '\0');
  for (int attempt = 0; attempt < 6; ++attempt) {
    const size_t length = std::strftime(buffer.data(), buffer.size(), pszFormat, &parts);
    if (length > 0) return CString(std::string_view(buffer.data(), length));
    buffer.resize(buffer.size() * 4);
  }
  return CString();
}
