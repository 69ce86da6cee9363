#include "alerts/Extensions.h"

#include "core/AdvFactories.h"
#include "core/AdvFilers.h"
#include "core/AdvPaths.h"
#include "core/AdvXMLFilers.h"
#include "platform/Processes.h"

ADV_ABSTRACT_CLASS_IMPL(TVexaExtension, TAdvNamed)
ADV_CLASS_IMPL(TExecutableExtension, TVexaExtension)
ADV_CLASS_IMPL(TVexaExtensions, TAdvNamedList)

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Arguments separated by blanks and tabs; a double quote starts or ends a
// stretch in which blanks belong to the argument. A pair of quotes with
// nothing between them still makes an (empty) argument.
void SplitArguments(std::string_view text, std::vector<std::string>& arguments) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) break;
    std::string argument;
    bool quoted = false;
    for (; i < text.size() && (quoted || !IsBlank(text[i])); ++i) {
      if (text[i] == '"')
        quoted = !quoted;
      else
        argument += text[i];
    }
    arguments.push_back(std::move(argument));
  }
}

}  // namespace

void TVexaExtension::Assign(const TAdvObject& source) {
  TAdvNamed::Assign(source);
  m_binding = static_cast<const TVexaExtension&>(source).m_binding;
}

void TVexaExtension::Define(TAdvFiler& filer) {
  TAdvNamed::Define(filer);
  filer.Field("Binding").DefineInteger(m_binding);
}

std::string TExecutableExtension::TypeName() const {
  return "Run executable";
}

std::vector<std::string> TExecutableExtension::Arguments(const std::string& parameter) const {
  std::vector<std::string> arguments = SplitCommandTemplate(m_command);
  for (std::string& argument : arguments) argument = ReplaceParameter(argument, parameter);
  if (!arguments.empty() && arguments[0].empty()) arguments.clear();
  return arguments;
}

bool TExecutableExtension::Run(const std::string& parameter) {
  const std::vector<std::string> arguments = Arguments(parameter);
  if (arguments.empty()) return false;
  return platform::StartDetachedProcess(arguments);
}

void TExecutableExtension::Assign(const TAdvObject& source) {
  TVexaExtension::Assign(source);
  m_command = static_cast<const TExecutableExtension&>(source).m_command;
}

void TExecutableExtension::Define(TAdvFiler& filer) {
  TVexaExtension::Define(filer);
  filer.Field("Command").DefineString(m_command);
}

void TVexaExtensions::TakeExtensionsOf(const TVexaExtensions& source) {
  if (&source == this) return;
  Clear();
  for (int i = 0; i < source.Count(); ++i)
    if (source.Extension(i)) Add(source.Extension(i)->Clone());
}

std::vector<std::string> SplitCommandTemplate(std::string_view command) {
  std::vector<std::string> parts;
  std::string_view rest;
  if (!command.empty() && command[0] == '"') {
    const size_t close = command.find('"', 1);
    if (close == std::string_view::npos) return {};
    parts.emplace_back(command.substr(1, close - 1));
    rest = command.substr(close + 1);
  } else {
    const size_t blank = command.find(' ');
    parts.emplace_back(command.substr(0, blank));
    if (blank != std::string_view::npos) rest = command.substr(blank + 1);
  }
  if (parts[0].empty()) return {};
  SplitArguments(rest, parts);
  return parts;
}

std::string ReplaceParameter(std::string_view text, std::string_view parameter) {
  std::string result;
  result.reserve(text.size() + parameter.size());
  size_t from = 0;
  for (size_t at; (at = text.find("%1", from)) != std::string_view::npos; from = at + 2) {
    result.append(text.substr(from, at - from));
    result.append(parameter);
  }
  result.append(text.substr(from));
  return result;
}

std::string LoadExtensionsFile(TVexaExtensions& extensions, const std::string& fileName) {
  if (!FileExists(fileName)) return {};
  TAdvRef<TVexaExtensions> scratch = AdvNew<TVexaExtensions>();
  std::string error = AdvLoadKeepingBad(*scratch, fileName, &TAdvXMLReader::ClassInfo);
  if (!error.empty()) return error;
  extensions.Clear();
  for (int i = 0; i < scratch->Count(); ++i)
    if (scratch->Extension(i)) extensions.Add(scratch->Extension(i)->Retain());
  return {};
}

void SaveExtensionsFile(TVexaExtensions& extensions, const std::string& fileName) {
  extensions.SaveToFile(fileName, &TAdvXMLWriter::ClassInfo);
}

void RegisterExtensionClasses() {
  AdvFactory().Register(&TVexaExtension::ClassInfo);
  AdvFactory().Register(&TExecutableExtension::ClassInfo);
  AdvFactory().Register(&TVexaExtensions::ClassInfo);
}
