#include "Exceptions.h"

Exception::Exception(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}

void Exception::SetMessage(QString message) {
  FMessage = std::move(message);
  FUtf8 = FMessage.toUtf8();
}

void RaiseAssertion(const char* unit, const char* what) {
  throw EAssertionFailed(
      QStringLiteral("Assertion failed (%1): %2").arg(QString::fromUtf8(unit), QString::fromUtf8(what)));
}

void RaiseListIndexError(int index) { throw EListError(QStringLiteral("List index out of bounds (%1).").arg(index)); }
