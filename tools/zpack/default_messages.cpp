// The default message texts, kept as data in this one file. "{0}" marks where the launcher puts
// the message's one argument; "\n" is a line break stored in the text.
//
// To ship a translation, add an array like kEnglish (say kGerman) and list it in
// kLanguageTables as {"de", kGerman}. Blocks carry their tables sorted by prefix, and the
// launcher lets a later matching table win, so "de_CH" entries override "de" ones for Swiss
// users. The launcher uses the old codes "iw" (Hebrew), "in" (Indonesian) and "no_NO_NY"
// (Nynorsk).
#include "default_messages.h"

#include <array>

namespace zpack {
namespace {

constexpr DefaultMessage kEnglish[] = {
    {1000, u"Error"},
    {1001,
     u"No JVM could be found on your system.\nPlease define ZARVO_JAVA_HOME to point to an "
     u"installed 32-bit JDK or JRE or download a JRE from www.java.com."},
    {1002, u"The {0} environment variable does not\npoint to a working 32-bit JDK or JRE."},
    {1003,
     u"The JVM found at {0} is damaged.\nPlease reinstall or define ZARVO_JAVA_HOME\nto point "
     u"to an installed 32-bit JDK or JRE."},
    {1004,
     u"The JVM could not be started. The maximum heap size (-Xmx) might be too large or an "
     u"antivirus or firewall tool could block the execution."},
    {1005,
     u"The JVM could not be started. The maximum heap size (-Xmx) might be too large or an "
     u"antivirus or firewall tool could block the execution."},
    {1006, u"File or directory {0} not found or empty\n"},
    {1007, u"An error occurred while starting up {0}:"},
    {1008, u"The environment variable {0} has to be defined"},
    {1009, u"An internal error occurred (error code: {0})"},
    {1010, u"Couldn't load main class."},
    {1011, u"Main method not found."},
    {1012, u"Wrong Parameter Usage"},
    {1013, u"Error"},
    {1014, u"Ok"},
    {1015, u"You must be at least Poweruser to run this program."},
    {1016,
     u"No JVM could be found on your system.\nPlease define ZARVO_JAVA_HOME to point to an "
     u"installed {0}-bit JDK or JRE or download a JRE from www.java.com."},
    {1017,
     u"No JVM could be found on your system.\nPlease define ZARVO_JAVA_HOME to point to an "
     u"installed JDK or JRE or download a JRE from www.java.com."},
    {1018, u"The {0} environment variable does not\npoint to a working 64-bit JDK or JRE."},
    {1019, u"The {0} environment variable does not\npoint to a working JDK or JRE."},
    {1020,
     u"The JVM found at {0} is damaged.\nPlease reinstall or define ZARVO_JAVA_HOME\nto point "
     u"to an installed 64-bit JDK or JRE."},
    {20017, u""},
};

constexpr std::array<DefaultLanguageTable, 0> kLanguageTables = {};

}  // namespace

std::span<const DefaultMessage> defaultMessages() {
  return kEnglish;
}

std::span<const DefaultLanguageTable> defaultLanguageTables() {
  return kLanguageTables;
}

}  // namespace zpack
