#include "app/Help.h"

std::string HelpContextTopic(int context) {
  return "ctx" + std::to_string(context);
}

std::string HelpWindowTitle(const std::string& topic, bool documentRead, bool topicFound) {
  std::string title = "Tarvolin: Hilfe";
  if (documentRead && !topicFound) title += " (Thema \"" + topic + "\" nicht gefunden)";
  return title;
}

std::string HelpFileProblem(const std::string& path) {
  return "Die Hilfedatei \"" + path +
         "\" wurde nicht gefunden oder kann nicht gelesen werden.\n\nSie geh\xF6rt in das "
         "Verzeichnis des Programms.";
}
