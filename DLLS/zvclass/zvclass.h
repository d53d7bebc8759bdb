// Public interface of zvclass.dll: time, hash, array and number classes.
#pragma once
#include "afxstr.h"
#include "zvtypes.h"

// Callers declare the classes without dllimport, so every call goes through
// the import library's jump stub. i686 ld drops the stub of a function that is
// reached only through its __imp_ slot, and the slot of a delay-load library
// (dlltool -y) points at that stub: dllimport there leaves the slot zero.
#if defined(_WIN32) && defined(ZVCLASS_BUILD)
#define ZVCLASS_API __declspec(dllexport)
#else
#define ZVCLASS_API
#endif

// Local calendar time to the second, laid out exactly as a SYSTEMTIME.
// Comparisons look at year, month, day, hour, minute and second only.
class ZVCLASS_API zvCTime2 {
public:
    zvCTime2();
    zvCTime2(const zvCTime2& other);
    zvCTime2(const SYSTEMTIME& time);
    // UTC file time to local calendar time; all zero when it cannot be converted.
    zvCTime2(const FILETIME& time);
    zvCTime2& operator=(const zvCTime2& other);
    zvCTime2& operator=(const SYSTEMTIME& time);
    zvCTime2& operator=(const FILETIME& time);

    int operator==(const zvCTime2& other) const;
    int operator!=(const zvCTime2& other) const;
    int operator<(const zvCTime2& other) const;
    int operator<=(const zvCTime2& other) const;
    int operator>(const zvCTime2& other) const;
    int operator>=(const zvCTime2& other) const;

    zvCTime2& SetCurrentTime();
    zvCTime2& AdjustEvenSecond();
    CString Format() const;

    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;

    const SYSTEMTIME& GetSystemTime() const { return m_time; }

private:
    SYSTEMTIME m_time;
};

// The same value as zvCTime2; its comparisons take the other time by value.
class ZVCLASS_API zvCTime {
public:
    zvCTime();
    zvCTime(const zvCTime& other);
    zvCTime(const SYSTEMTIME& time);
    zvCTime(const FILETIME& time);
    zvCTime& operator=(const zvCTime& other);
    zvCTime& operator=(const SYSTEMTIME& time);
    zvCTime& operator=(const FILETIME& time);

    int operator==(zvCTime other) const;
    int operator!=(zvCTime other) const;
    int operator<(zvCTime other) const;
    int operator<=(zvCTime other) const;
    int operator>(zvCTime other) const;
    int operator>=(zvCTime other) const;

    zvCTime& SetCurrentTime();
    zvCTime& AdjustEvenSecond();
    CString Format() const;

    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;

private:
    SYSTEMTIME m_time;
};

// Interns names: every distinct name gets a small number that never changes
// for the life of the table (bucket + 256 * position in its chain).
class ZVCLASS_API zvCHash {
public:
    zvCHash();
    zvCHash(const zvCHash& other);
    zvCHash& operator=(const zvCHash& other);
    virtual ~zvCHash();

    // -1 when the table is invalid or out of memory.
    int GetHash(const char* name);

private:
    void* m_internal;
};

// A growable array of fixed-size elements; operator[] gives the first byte
// of an element for the caller to reinterpret.
class ZVCLASS_API zvCArray {
public:
    zvCArray();
    explicit zvCArray(int elementSize);
    zvCArray(const zvCArray& other);
    zvCArray& operator=(const zvCArray& other);
    virtual ~zvCArray();

    int ExpandEntries(int count);
    BYTE& operator[](int index);
    const BYTE& operator[](int index) const;
    int GetEntries() const;

private:
    void* m_internal;
    int m_entries;
};

// Integers with thousands separators (always "," every three digits).
class ZVCLASS_API zvCThousand {
public:
    zvCThousand();
    zvCThousand(const zvCThousand& other);
    zvCThousand& operator=(const zvCThousand& other);
    virtual ~zvCThousand();

    // The result lives in the object and is overwritten by the next call.
    const char* MakeThousand(int value);

private:
    void* m_internal;
};

// Library information and the process-wide error-message switch.
class ZVCLASS_API zvCExDll {
public:
    zvCExDll();
    zvCExDll(const zvCExDll& other);
    zvCExDll& operator=(const zvCExDll& other);
    virtual ~zvCExDll();

    int GetVersion() const;
    int GetCtrlErrMsg() const;
    void SetCtrlErrMsg(int on);

private:
    void* m_internal;
};

class ZVCLASS_API zvCInternal {
public:
    explicit zvCInternal(void* internal = nullptr) : m_internal(internal) {}
    int IsInvalid() const;
    void* GetInternal() const;
    zvCInternal& operator=(const zvCInternal& other);

private:
    void* m_internal;
};
