// The loader classes this program ships: one per log format, and "Varnex",
// which tells each file's format from its first lines and reads it with the
// matching parser.
//
// Each loader keeps one format per file of its input (keyed by the file's
// path); the format remembers what it learnt about its file between passes
// (the W3C column list). The loader's Timezone shifts every time read.
//
// Thread safety: a loader belongs to one input and is used on its thread.
#pragma once

#include "loaders/LogDetect.h"
#include "monitor/Loaders.h"

class TLogFileFormat;

class TLogLoader : public TLoader {
  ADV_CLASS(TLogLoader)

  TLogLoader();

  // The format for a stream input, or null for other inputs and for a file
  // whose format is not known (yet: a file without a complete first line is
  // tried again on the next pass).
  TFormat* FormatFor(TInput& input) override;
  bool Supports(TAdvClass inputClass) const override;

 protected:
  ~TLogLoader() override = default;
  // The format of this file's lines; Unknown when it cannot be told.
  virtual TDetectedFormat KindFor(TInput& input);

 private:
  TAdvRef<TFormatHash> m_formats;
};

class TSquidLoader : public TLogLoader {
  ADV_CLASS(TSquidLoader)
  TSquidLoader() = default;
  std::string Name() const override { return "Squid"; }
  std::string Description() const override { return "Native proxy access log"; }

 protected:
  ~TSquidLoader() override = default;
  TDetectedFormat KindFor(TInput&) override { return TDetectedFormat::Squid; }
};

class TNcsaLoader : public TLogLoader {
  ADV_CLASS(TNcsaLoader)
  TNcsaLoader() = default;
  std::string Name() const override { return "NCSA"; }
  std::string Description() const override { return "Common and Combined log formats"; }

 protected:
  ~TNcsaLoader() override = default;
  TDetectedFormat KindFor(TInput&) override { return TDetectedFormat::Ncsa; }
};

class TW3cLoader : public TLogLoader {
  ADV_CLASS(TW3cLoader)
  TW3cLoader() = default;
  std::string Name() const override { return "W3C"; }
  std::string Description() const override { return "W3C extended log file format"; }

 protected:
  ~TW3cLoader() override = default;
  TDetectedFormat KindFor(TInput&) override { return TDetectedFormat::W3c; }
};

class TVarnexLoader : public TLogLoader {
  ADV_CLASS(TVarnexLoader)
  TVarnexLoader() = default;
  std::string Name() const override { return "Varnex"; }
  std::string Description() const override { return "Any of the known formats, told apart"; }

 protected:
  ~TVarnexLoader() override = default;
  TDetectedFormat KindFor(TInput& input) override;
};

// The list the module's "Loaders" export returns (a new list).
TLoaderClasses* NewLogLoaderClasses();
