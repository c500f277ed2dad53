#include "launcher/usage.h"

#include "base/format.h"
#include "paths/path_text.h"

namespace zarvo {
namespace {

std::u16string_view programName(std::u16string_view modulePath) {
  std::u16string_view name = FileNameOf(modulePath);
  const size_t dot = name.rfind(u'.');
  if (dot != std::u16string_view::npos) name = name.substr(0, dot);
  return name.substr(0, 256);
}

}  // namespace

std::u16string usageText(std::u16string_view modulePath) {
  return FormatW(
      "Usage: %s.exe /install | /uninstall | /stop | /start | /status | /run | /run-redirect\n",
      programName(modulePath));
}

std::u16string helpText(std::u16string_view modulePath, std::u16string_view serviceName) {
  const std::u16string nameNote =
      serviceName.empty() ? FormatW("this executable has no service name configured: give NAME")
                          : FormatW("NAME defaults to \"%s\"", serviceName);
  return usageText(modulePath) +
         FormatW(
             "\n"
             "Commands (\"-\" or \"--\" may stand for \"/\"; %s):\n"
             "  /install[-auto|-demand] [NAME]      install the service: start type as packed,\n"
             "                                      automatic or on demand\n"
             "  /install-and-start [NAME] [ARG...]  install the service, then start it\n"
             "  /uninstall [NAME]                   stop and remove the service\n"
             "  /start [NAME] [ARG...]              start the service; ARG... go to the "
             "application\n"
             "  /stop [NAME]                        stop the service and wait until it has "
             "stopped\n"
             "  /restart [NAME] [ARG...]            stop the service if it runs, then start it\n"
             "  /status [NAME]                      exit code 0: running, 3: not running, 1: "
             "error\n"
             "  /run [ARG...]                       run the application at this console\n"
             "  /run-redirect [ARG...]              the same, with its output redirected as "
             "packed\n"
             "  /find-java                          list the Java runtimes considered, and the "
             "one\n"
             "                                      the application would use\n"
             "  /help, /?                           this text\n"
             "Documentation: docs/service.md and docs/project-file.md of the zarvo distribution.\n",
             nameNote);
}

std::u16string unknownCommandText(std::u16string_view argument,
                                  std::optional<std::u16string_view> suggestion,
                                  std::u16string_view modulePath, std::u16string_view serviceName) {
  std::u16string text = FormatW("Unknown command \"%s\"", argument);
  if (suggestion) text += FormatW(" (did you mean /%s?)", *suggestion);
  return text + u".\n" + helpText(modulePath, serviceName);
}

}  // namespace zarvo
