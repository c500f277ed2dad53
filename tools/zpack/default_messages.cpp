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
    {1021, u"Run \"{0} /find-java\" to see every runtime considered."},
    {20017, u""},
};

// Translations of the texts the launcher shows; ids it never shows stay English.
constexpr DefaultMessage kGerman[] = {
    {1000, u"Fehler"},
    {1005,
     u"Die JVM konnte nicht gestartet werden. Die maximale Heap-Gr\u00f6\u00dfe (-Xmx) ist "
     u"m\u00f6glicherweise zu gro\u00df, oder ein Antiviren- oder Firewall-Programm blockiert "
     u"die Ausf\u00fchrung."},
    {1006, u"Die Datei oder das Verzeichnis {0} wurde nicht gefunden oder ist leer.\n"},
    {1008, u"Die Umgebungsvariable {0} muss gesetzt sein."},
    {1009, u"Ein interner Fehler ist aufgetreten (Fehlercode: {0})"},
    {1010, u"Die Hauptklasse konnte nicht geladen werden."},
    {1011, u"Die main-Methode wurde nicht gefunden."},
    {1015,
     u"Sie ben\u00f6tigen mindestens Hauptbenutzerrechte, um dieses Programm auszuf\u00fchren."},
    {1016,
     u"Auf diesem System wurde keine JVM gefunden.\nBitte setzen Sie ZARVO_JAVA_HOME auf ein "
     u"installiertes {0}-Bit-JDK oder -JRE oder laden Sie ein JRE von www.java.com herunter."},
    {1018,
     u"Die Umgebungsvariable {0} verweist nicht\nauf ein funktionierendes 64-Bit-JDK oder -JRE."},
    {1020,
     u"Die unter {0} gefundene JVM ist besch\u00e4digt.\nBitte installieren Sie sie neu oder "
     u"setzen Sie ZARVO_JAVA_HOME\nauf ein installiertes 64-Bit-JDK oder -JRE."},
    {1021,
     u"F\u00fchren Sie \u201e{0} /find-java\u201c aus, um jede gepr\u00fcfte "
     u"Java-Laufzeitumgebung zu sehen."},
};

constexpr DefaultMessage kFrench[] = {
    {1000, u"Erreur"},
    {1005,
     u"La JVM n'a pas pu \u00eatre d\u00e9marr\u00e9e. La taille maximale du tas (-Xmx) est "
     u"peut-\u00eatre trop grande, ou un antivirus ou un pare-feu bloque l'ex\u00e9cution."},
    {1006, u"Le fichier ou le r\u00e9pertoire {0} est introuvable ou vide.\n"},
    {1008, u"La variable d'environnement {0} doit \u00eatre d\u00e9finie."},
    {1009, u"Une erreur interne s'est produite (code d'erreur : {0})"},
    {1010, u"Impossible de charger la classe principale."},
    {1011, u"M\u00e9thode main introuvable."},
    {1015,
     u"Vous devez \u00eatre au moins utilisateur avec pouvoir pour ex\u00e9cuter ce programme."},
    {1016,
     u"Aucune JVM n'a \u00e9t\u00e9 trouv\u00e9e sur ce syst\u00e8me.\nVeuillez d\u00e9finir "
     u"ZARVO_JAVA_HOME sur un JDK ou JRE {0} bits install\u00e9, ou t\u00e9l\u00e9chargez un JRE "
     u"sur www.java.com."},
    {1018,
     u"La variable d'environnement {0} ne d\u00e9signe pas\nun JDK ou JRE 64 bits "
     u"fonctionnel."},
    {1020,
     u"La JVM trouv\u00e9e dans {0} est endommag\u00e9e.\nVeuillez la r\u00e9installer ou "
     u"d\u00e9finir ZARVO_JAVA_HOME\nsur un JDK ou JRE 64 bits install\u00e9."},
    {1021,
     u"Lancez \u00ab {0} /find-java \u00bb pour voir chaque environnement Java examin\u00e9."},
};

constexpr DefaultLanguageTable kLanguageTables[] = {
    {"de", kGerman},
    {"fr", kFrench},
};

}  // namespace

std::span<const DefaultMessage> defaultMessages() {
  return kEnglish;
}

std::span<const DefaultLanguageTable> defaultLanguageTables() {
  return kLanguageTables;
}

}  // namespace zpack
