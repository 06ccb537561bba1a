#pragma once
// Base of every exception the program raises, and the assertion failure
// that reports a programming error as an ordinary, catchable error.
#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception {
 public:
  explicit Exception(QString message);
  const QString& Message() const noexcept { return FMessage; }
  void SetMessage(QString message);
  const char* what() const noexcept override { return FUtf8.constData(); }
  // Class name of the most derived exception, for messages that name it.
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  QString FMessage;
  QByteArray FUtf8;
};

// Declares an exception class deriving from Base that carries only a message.
#define TAMSEL_DECLARE_EXCEPTION(Name, Base)                          \
  class Name : public Base {                                          \
   public:                                                            \
    using Base::Base;                                                 \
    const char* ClassName() const noexcept override { return #Name; } \
  }

TAMSEL_DECLARE_EXCEPTION(EAssertionFailed, Exception);
TAMSEL_DECLARE_EXCEPTION(EConvertError, Exception);  // assignment between unrelated classes
TAMSEL_DECLARE_EXCEPTION(EStreamError, Exception);
TAMSEL_DECLARE_EXCEPTION(EFCreateError, EStreamError);
TAMSEL_DECLARE_EXCEPTION(EFOpenError, EStreamError);
TAMSEL_DECLARE_EXCEPTION(EReadError, EStreamError);
TAMSEL_DECLARE_EXCEPTION(EWriteError, EStreamError);
// A named resource (a skin picture) that the program does not carry.
TAMSEL_DECLARE_EXCEPTION(EResNotFound, Exception);
// An index outside a list: "List index out of bounds (%1)."
TAMSEL_DECLARE_EXCEPTION(EListError, Exception);
[[noreturn]] void RaiseListIndexError(int index);
// A failed allocation, as an ordinary error of the family (std::bad_alloc is not).
TAMSEL_DECLARE_EXCEPTION(EOutOfMemory, Exception);

// Raises EAssertionFailed naming the unit, e.g. "Assertion failed (deACM): Controller".
[[noreturn]] void RaiseAssertion(const char* unit, const char* what);

// Checks a required argument or invariant; unit names the area that asks.
inline void Assert(bool condition, const char* unit, const char* what) {
  if (!condition) RaiseAssertion(unit, what);
}
