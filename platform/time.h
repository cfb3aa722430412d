// CTime: an absolute time in 32-bit seconds since 1970-01-01 UTC, broken down
// in the local time zone. The seconds are held unsigned, so the stored range
// runs to 2106 rather than stopping in 2038; 0 means "not set".
#pragma once

#include <ctime>

#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

class KELM_EXPORT CTime {
 public:
  CTime() = default;
  CTime(std::time_t time);  // NOLINT: converts implicitly, as MFC's does
  // Local time from parts. nDST < 0 lets the C library decide whether
  // daylight saving applies; 0 and 1 force standard or daylight time.
  CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1);

  static CTime GetCurrentTime();

  std::time_t GetTime() const { return m_time; }
  DWORD GetTime32() const { return m_time; }
  int GetYear() const;
  int GetMonth() const;      // 1-12
  int GetDay() const;        // 1-31
  int GetHour() const;       // 0-23
  int GetMinute() const;     // 0-59
  int GetSecond() const;     // 0-59
  int GetDayOfWeek() const;  // 1 = Sunday
  // Fills *ptm with the local breakdown; returns ptm, or nullptr if it cannot.
  struct tm* GetLocalTm(struct tm* ptm) const;
  // strftime of the local breakdown.
  CString Format(LPCSTR pszFormat) const;

  friend bool operator==(CTime a, CTime b) { return a.m_time == b.m_time; }
  friend bool operator!=(CTime a, CTime b) { return a.m_time != b.m_time; }
  friend bool operator<(CTime a, CTime b) { return a.m_time < b.m_time; }
  friend bool operator>(CTime a, CTime b) { return a.m_time > b.m_time; }
  friend bool operator<=(CTime a, CTime b) { return a.m_time <= b.m_time; }
  friend bool operator>=(CTime a, CTime b) { return a.m_time >= b.m_time; }

 private:
  DWORD m_time = 0;
};
