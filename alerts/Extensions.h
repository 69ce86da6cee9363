// Extensions: commands the administrator configures and runs against a user
// from the status window's row menu. TExecutableExtension runs a program with
// arguments in which "%1" stands for the user (or alert) name.
//
// The command template is cut into a program and its arguments before the
// name is put in, and the program is started with an argument vector, never
// through a shell: a name with blanks, quotes or shell metacharacters always
// arrives as (part of) the one argument that held "%1", and can neither add
// arguments nor run commands of its own.
//
// Cutting the template: a command that begins with a double quote has its
// program between that quote and the next one; otherwise the program is the
// text before the first blank. The rest is split at blanks and tabs into
// arguments, where a double-quoted stretch keeps its blanks (the quotes
// themselves are dropped). A command whose opening quote is never closed
// names no program and runs nothing.
//
// The list is kept in the file "Vexa.Extensions" of the settings folder, as
// XML, each entry stored with its own class name.
//
// Thread safety: main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/AdvLists.h"

class TVexaExtension : public TAdvNamed {
  ADV_CLASS(TVexaExtension)

  // The kind of command, for the options dialog.
  virtual std::string TypeName() const = 0;
  // Runs the command for `parameter`; true when it was started.
  virtual bool Run(const std::string& parameter) = 0;

  // Stored and copied, never consulted.
  int32_t Binding() const { return m_binding; }
  void SetBinding(int32_t binding) { m_binding = binding; }

  void Assign(const TAdvObject& source) override;
  // "Name" String, "Binding" Integer.
  void Define(TAdvFiler& filer) override;

 protected:
  ~TVexaExtension() override = default;

 private:
  int32_t m_binding = 0;
};

class TExecutableExtension : public TVexaExtension {
  ADV_CLASS(TExecutableExtension)

  TExecutableExtension() = default;
  TExecutableExtension(std::string name, std::string command) : m_command(std::move(command)) {
    m_name = std::move(name);
  }

  // "Run executable".
  std::string TypeName() const override;
  // Starts the program of Arguments(parameter) and lets it run on. False
  // when the template names no program or the program cannot be started.
  bool Run(const std::string& parameter) override;

  // The program followed by its arguments for `parameter` (see the file
  // comment); empty when the template names no program.
  std::vector<std::string> Arguments(const std::string& parameter) const;

  const std::string& Command() const { return m_command; }
  void SetCommand(const std::string& command) { m_command = command; }

  void Assign(const TAdvObject& source) override;
  // TVexaExtension's fields, then "Command" String.
  void Define(TAdvFiler& filer) override;

 protected:
  ~TExecutableExtension() override = default;

 private:
  std::string m_command;
};

class TVexaExtensions : public TAdvNamedList {
  ADV_CLASS(TVexaExtensions)

  TVexaExtension* Extension(int index) const { return ItemAs<TVexaExtension>(index); }
  TAdvClass ItemClass() const override { return &TVexaExtension::ClassInfo; }

  // Replaces the entries with copies of those of `source`.
  void TakeExtensionsOf(const TVexaExtensions& source);

 protected:
  ~TVexaExtensions() override = default;
};

// Splits a command template into the program and its arguments, before any
// "%1" is replaced. Empty for a blank command or an unclosed leading quote.
std::vector<std::string> SplitCommandTemplate(std::string_view command);
// Every "%1" replaced by `parameter`, left to right; inserted text is not
// searched again.
std::string ReplaceParameter(std::string_view text, std::string_view parameter);

// The extensions file in the settings folder.
constexpr const char* kExtensionsFileName = "Vexa.Extensions";

// Reads the file into `extensions` (replacing its entries) when the whole
// file loaded. A missing file changes nothing and is no error; a damaged one
// changes nothing, is kept aside as "<file>.bad" and its error text returned.
std::string LoadExtensionsFile(TVexaExtensions& extensions, const std::string& fileName);
// Writes the list atomically as XML.
void SaveExtensionsFile(TVexaExtensions& extensions, const std::string& fileName);

// Registers the extension classes with the class factory.
void RegisterExtensionClasses();
