// The exception family, the result-code messages and the conversion query.
#include <gtest/gtest.h>

#include "deACM.h"

namespace {

QString MessageOf(MMRESULT code, const QString& prefix) {
  try {
    RaiseACMError<EACMConversionError>(code, prefix);
  } catch (const EACMConversionError& e) {
    return e.Message();
  }
  return QStringLiteral("<nothing raised>");
}

TEST(RaiseACMError, codeZero_raisesNothing) { EXPECT_NO_THROW(RaiseACMError<EACMError>(0, "Prefix.")); }

TEST(RaiseACMError, everyNamedCode_hasItsText) {
  const std::pair<MMRESULT, const char*> table[] = {
      {2, "Bad device ID."},
      {3, "Driver not enabled."},
      {4, "Device already allocated."},
      {5, "The specified handle is invalid."},
      {6, "A suitable driver is not available to provide valid format selections."},
      {7, "The system is unable to allocate resources."},
      {8, "Function not supported."},
      {10, "At least one flag is invalid."},
      {11, "At least one parameter is invalid."},
      {12, "Device handle in use."},
      {32, "The selected audio format is not supported on this machine."},
      {33, "Audio device is still playing."},
      {34, "Cannot perform this action on a header that has not been prepared."},
      {35, "Device is synchronous."},
      {512, "The requested operation cannot be performed."},
      {513, "The conversion stream is already in use."},
      {514, "Cannot perform this action on a header that has not been prepared."},
  };
  for (auto [code, text] : table) EXPECT_EQ(MessageOf(code, QString()), QString::fromLatin1(text)) << code;
}

TEST(RaiseACMError, unknownCodes_useTheDefaultEntryWithTheDecimalCode) {
  EXPECT_EQ(MessageOf(9, "Error opening driver."),
            QStringLiteral("Error opening driver.\r\nAn unexpected error has occurred (code #9)."));
  for (MMRESULT code : {1u, 13u, 31u, 36u, 511u, 515u, 70000u})
    EXPECT_EQ(MessageOf(code, QString()), QStringLiteral("An unexpected error has occurred (code #%1).").arg(code));
}

TEST(RaiseACMError, prefix_goesOnItsOwnLine) {
  EXPECT_EQ(MessageOf(5, "Error selecting format."),
            QStringLiteral("Error selecting format.\r\nThe specified handle is invalid."));
}

TEST(RaiseACMError, raisesTheKindAskedFor) {
  try {
    RaiseACMError<EACMAudioInError>(2, "Error opening audio device for input.");
    FAIL();
  } catch (const EACMAudioIOError& e) {
    EXPECT_STREQ(e.ClassName(), "EACMAudioInError");
    EXPECT_EQ(e.Message(), QStringLiteral("Error opening audio device for input.\r\nBad device ID."));
  }
}

template <class Raised, class Handler>
bool CaughtBy() {
  try {
    throw Raised(QStringLiteral("x"));
  } catch (const Handler&) {
    return true;
  } catch (...) {
    return false;
  }
}

TEST(ExceptionFamily, handlersCatchTheirBranchOnly) {
  EXPECT_TRUE((CaughtBy<EACMAudioInError, EACMAudioIOError>()));
  EXPECT_TRUE((CaughtBy<EACMAudioInError, EACMError>()));
  EXPECT_TRUE((CaughtBy<EACMAudioOutError, EACMAudioIOError>()));
  EXPECT_TRUE((CaughtBy<EACMAudioReadError, EACMAudioStreamError>()));
  EXPECT_TRUE((CaughtBy<EOscilloscopeError, EACMControlError>()));
  EXPECT_TRUE((CaughtBy<EACMCodecError, EACMError>()));
  EXPECT_TRUE((CaughtBy<EACMConversionError, Exception>()));
  EXPECT_FALSE((CaughtBy<EACMConversionError, EACMAudioIOError>()));
  EXPECT_FALSE((CaughtBy<EACMAudioInError, EACMAudioOutError>()));
  EXPECT_FALSE((CaughtBy<ESubStreamError, EACMError>()));
  EXPECT_TRUE((CaughtBy<ESubStreamError, Exception>()));
}

TEST(CanConvert, identicalPcm_true_unknownTag_falseWithoutRaising) {
  TdeWaveFormat a, b;
  EXPECT_TRUE(CanConvert(&a, &b, false));
  EXPECT_TRUE(CanConvert(&a, &b, true));
  b.SetFormatTag(0x1234);
  EXPECT_FALSE(CanConvert(&a, &b, false));
  EXPECT_FALSE(CanConvert(&b, &a, true));
  EXPECT_FALSE(CanConvert(&a, nullptr, false));
}

}  // namespace
