#include "config/locale.h"

#include <gtest/gtest.h>

namespace zarvo {
namespace {

TEST(Locale, NamesAndCodes) {
  struct Case {
    uint16_t id;
    const char* name;
    const char* language;
    std::optional<std::string> country;
  };
  const Case cases[] = {
      {0x0407, "de_DE", "de", "DE"},
      {0x0807, "de_CH", "de", "CH"},
      {0x0C09, "en_AU", "en", "AU"},
      {0x3C09, "en", "en", std::nullopt},  // primary match
      {0x0814, "no_NO_NY", "no", std::nullopt},
      {0x0421, "in_ID", "in", "ID"},
      {0x040D, "iw_IL", "iw", "IL"},
      {0x0462, "en", "en", std::nullopt},  // unknown primary
      {0x0009, "en", "en", std::nullopt},
      {0x2409, "en", "en", std::nullopt},
      {0x0431, "ts", "ts", std::nullopt},
      {0x0C0A, "es_ES", "es", "ES"},
      {0x0812, "ko_KR", "ko", "KR"},
      {0x500A, "es_PR", "es", "PR"},
      {0x0000, "en", "en", std::nullopt},
      {0x0401, "ar_SA", "ar", "SA"},
      {0x0416, "pt_BR", "pt", "BR"},
      {0x0816, "pt_PT", "pt", "PT"},
      {0x7C04, "zh", "zh", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string name = localeNameFor(c.id);
    EXPECT_EQ(name, c.name);
    SplitLocale(name);
    EXPECT_EQ(GetLocaleLanguage(), c.language);
    EXPECT_EQ(GetLocaleCountry(), c.country);
  }
  ResetLocale();
  EXPECT_EQ(GetLocaleLanguage(), std::nullopt);
}

}  // namespace
}  // namespace zarvo
