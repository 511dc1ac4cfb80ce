#include "agent/catalogue/station_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "agent/catalogue/number_forms.h"
#include "agent/catalogue/station_time.h"

namespace {

using namespace agent;

TEST(Validity, LibraryCodesAndMarksAreInvalid) {
  for (float code : {-32700.f, -32701.f, -32702.f, -32703.f, -32704.f, -32705.f, -32706.f, -32707.f,
                     32768.f, -32767.f, -32768.f})
    EXPECT_EQ(IsValidStationValue(code), 0) << code;
  for (float value : {0.f, 32767.f, -32699.f, -32708.f, 21.4f, -40.f})
    EXPECT_EQ(IsValidStationValue(value), 1) << value;
}

TEST(Validity, RoundingDecidesNearTheCodes) {
  EXPECT_EQ(IsValidStationValue(-32700.4f), 0);
  EXPECT_EQ(IsValidStationValue(-32700.6f), 0);  // rounds to -32701
  EXPECT_EQ(IsValidStationValue(-32699.6f), 0);  // rounds to -32700
  EXPECT_EQ(IsValidStationValue(-32699.4f), 1);
  EXPECT_EQ(IsValidStationValue(32767.5f), 0);   // tie to even: 32768
  EXPECT_EQ(IsValidStationValue(-32707.5f), 1);  // tie to even: -32708, no code
  EXPECT_EQ(IsValidStationValue(-32706.5f), 0);  // tie to even: -32706
}

TEST(Validity, NotANumberIsNoReading) {
  EXPECT_EQ(IsValidStationValue(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(IsValidStationValue(std::numeric_limits<float>::infinity()), 0);
}

TEST(Rounding, TiesGoToEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.51), 3);
  EXPECT_EQ(FormatFloatAsWhole(4.5f), "4");
  EXPECT_EQ(FormatFloatAsWhole(5.5f), "6");
  EXPECT_EQ(FormatFloatAsWhole(-0.4f), "0");
}

TEST(Conversions, FormulasWithSinglePrecisionConstants) {
  EXPECT_FLOAT_EQ(ConvertFahrenheitToCelsius(212.f), 100.f);
  EXPECT_FLOAT_EQ(ConvertFahrenheitToCelsius(32.f), 0.f);
  EXPECT_FLOAT_EQ(ConvertFahrenheitToCelsius(0.f), -17.777779f);
  EXPECT_FLOAT_EQ(ConvertInHgToHectopascal(30.f), 30.f * 33.865f);
  EXPECT_FLOAT_EQ(ConvertKmhToMs(36), 36.f * 0.2777778f);
  EXPECT_FLOAT_EQ(ConvertMphToKmh(10), 16.1f);
  EXPECT_FLOAT_EQ(ConvertFeetToMetres(1000.f), 304.7851f);
  EXPECT_FLOAT_EQ(ScaleRainAmount(3.f), 60.f);
}

TEST(Conversions, SentinelsPassThroughUnchanged) {
  EXPECT_EQ(ConvertFahrenheitToCelsius(-32701.f), -32701.f);
  EXPECT_EQ(ConvertInHgToHectopascal(-32768.f), -32768.f);
  EXPECT_EQ(ConvertKmhToMs(-32705), -32705.f);
  EXPECT_EQ(ConvertMphToKmh(32768), 32768.f);
  EXPECT_EQ(ConvertFeetToMetres(-32700.f), -32700.f);
  EXPECT_EQ(ScaleRainAmount(-32767.f), -32767.f);
}

TEST(NumberForms, WholeAndFixedPoint) {
  EXPECT_EQ(FormatWholeNumber(0), "0");
  EXPECT_EQ(FormatWholeNumber(-12), "-12");
  EXPECT_EQ(FormatWholeNumber(1234567), "1234567");
  EXPECT_EQ(FormatDecimal(21.45, 1), "21.4");  // 21.45 is stored just below .45
  EXPECT_EQ(FormatDecimal(4.706, 2), "4.71");
  EXPECT_EQ(FormatDecimal(1013.25, 0), "1013");
  EXPECT_EQ(FormatDecimal(-17.7778, 1), "-17.8");
  EXPECT_EQ(FormatDecimal(3.0, 3), "3.000");
}

TEST(NumberForms, AZeroHasNoSign) {
  EXPECT_EQ(FormatDecimal(-0.04, 1), "0.0");
  EXPECT_EQ(FormatDecimal(-0.0, 0), "0");
  EXPECT_EQ(FormatDecimal(-0.06, 1), "-0.1");
}

TEST(StationDateTime, FormsByMode) {
  OrbiskDateTime record{7, 9, 5, 3, 2010};
  EXPECT_EQ(FormatStationDateTime(record, kArgumentAbsent), "05/03/2010 09h07");
  EXPECT_EQ(FormatStationDateTime(record, 0), "05/03/2010 09h07");
  EXPECT_EQ(FormatStationDateTime(record, 1), "05/03/2010");
  EXPECT_EQ(FormatStationDateTime(record, 2), "09h07");
  EXPECT_EQ(FormatStationDateTime(OrbiskDateTime{0, 0, 22, 4, 2009}, kArgumentAbsent),
            "22/04/2009 00h00");
}

TEST(StationDateTime, UnsetPartsGiveThePlaceholderInEveryMode) {
  for (int field = 0; field < 4; ++field) {
    OrbiskDateTime record{7, 9, 5, 3, 2010};
    int32_t* parts[] = {&record.minute, &record.hour, &record.day, &record.month};
    *parts[field] = -1;
    for (int mode : {1, 2, kArgumentAbsent}) EXPECT_EQ(FormatStationDateTime(record, mode), "---");
  }
  EXPECT_EQ(FormatStationDateTime(OrbiskDateTime{7, 9, 5, 3, -1}, kArgumentAbsent),
            "05/03/-1 09h07");
  EXPECT_EQ(FormatStationDateTime(OrbiskDateTime{7, 9, 5, 3, 2010}, 1), "05/03/2010");
}

}  // namespace
