// The old engine's stored values decoded from their bytes.
#include "database/jet_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "orvalis/error.h"
#include "support/test_support.h"

namespace orvalis::database {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes RealBytes(double value) {
  Bytes bytes(8);
  std::memcpy(bytes.data(), &value, 8);
  return bytes;
}

TEST(JetValuesTest, TextsOfBothFormsBecomeUtf8) {
  const struct {
    Bytes bytes;
    JetTextForm form;
    std::string text;
  } cases[] = {
      {{'A', 0xE7, 0xE3, 'o', 0x80, 0x9C, 0x81}, JetTextForm::kCodePage1252, "Ação€œ\u0081"},
      {{'C', 0, 0xE9, 0, 0xAC, 0x20}, JetTextForm::kUnicode, "Cé€"},
      // Compressed: one byte a character, a zero byte switching to two bytes and back.
      {{0xFF, 0xFE, 'V', 'E', 'K', 0, 0xAC, 0x20, 0, '!'}, JetTextForm::kUnicode, "VEK€!"},
      {{0x3D, 0xD8, 0x00, 0xDE}, JetTextForm::kUnicode, "\U0001F600"},
      {{}, JetTextForm::kUnicode, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeJetText(c.bytes, c.form), c.text);
  }
  for (const Bytes& broken :
       {Bytes{'A', 0, 'B'}, Bytes{0x3D, 0xD8, 'A', 0}, Bytes{0xFF, 0xFE, 0, 'A'}}) {
    EXPECT_EQ(testing::ErrorOf([&] { DecodeJetText(broken, JetTextForm::kUnicode); }), 3421);
  }
}

TEST(JetValuesTest, NumbersAreExact) {
  EXPECT_EQ(JetInteger(Bytes{0xFE}), 254);
  EXPECT_EQ(JetInteger(Bytes{0xFE, 0xFF}), -2);
  EXPECT_EQ(JetInteger(Bytes{0x15, 0xCD, 0x5B, 0x07}), 123456789);
  // Currency: ten-thousandths in 64 bits, beyond a double's exact range.
  EXPECT_EQ(JetInteger(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), INT64_MAX);
  EXPECT_EQ(JetReal(Bytes{0x00, 0x00, 0xC0, 0x3F}), 1.5);

  Bytes decimal(17, 0);
  decimal[1 + 12] = 0x39;  // least significant word last: 12345 (0x3039)
  decimal[1 + 13] = 0x30;
  EXPECT_EQ(DecodeJetDecimal(decimal, 2), "123.45");
  EXPECT_EQ(DecodeJetDecimal(decimal, 7), "0.0012345");
  decimal[0] = 0x80;
  EXPECT_EQ(DecodeJetDecimal(decimal, 0), "-12345");
  Bytes top(17, 0xFF);
  top[0] = 0;
  EXPECT_EQ(DecodeJetDecimal(top, 0), "340282366920938463463374607431768211455");

  const Bytes guid = {0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE,
                      0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  EXPECT_EQ(DecodeJetGuid(guid), "{12345678-9ABC-DEF0-0123-456789ABCDEF}");
}

TEST(JetValuesTest, DatesKeepTheirSerialFromYear100To9999) {
  // -1.25 is 29 December 1899, 06:00: before 1900 the day counts back, the time adds.
  for (double serial : {-657434.0, -1.25, 0.0, 27293.0, 2958465.999988426}) {
    EXPECT_EQ(DecodeJetDate(RealBytes(serial)).serial(), serial);
  }
  int year, month, day, hour, minute, second;
  const Date before_1900 = DecodeJetDate(RealBytes(-1.25));
  before_1900.ToYmd(year, month, day);
  before_1900.ToHms(hour, minute, second);
  EXPECT_EQ(std::vector<int>({year, month, day, hour}), std::vector<int>({1899, 12, 29, 6}));
  for (double outside : {-657436.0, 2958466.0, std::nan("")}) {
    EXPECT_EQ(testing::ErrorOf([&] { DecodeJetDate(RealBytes(outside)); }), 3421);
  }
}

}  // namespace
}  // namespace orvalis::database
