// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/command_line.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <string_view>
#include <vector>

#include "window/german_texts.h"

namespace vantrel {
namespace {

constexpr int kUsageError = 2;

CommandLine Ended(int exit_code, std::string text) {
  CommandLine line;
  line.exit_code = exit_code;
  line.text = std::move(text);
  return line;
}

CommandLine UsageError(const char* problem, std::string_view subject = {}) {
  QString text = QString::fromUtf8(problem);
  if (text.contains(QLatin1String("%1"))) text = text.arg(QString::fromUtf8(subject));
  return Ended(kUsageError, "vantrel: " + text.toStdString() + "\n\n" + texts::kUsage);
}

// File managers may pass a folder as a file:// URL; its path is percent-encoded bytes.
std::string PathFromArgument(const std::string& argument) {
  for (const std::string_view prefix : {"file://localhost/", "file:///"}) {
    if (!argument.starts_with(prefix)) continue;
    const QByteArray path = QByteArray::fromPercentEncoding(
        QByteArray::fromStdString(argument.substr(prefix.size() - 1)));
    // An encoded zero byte would cut the path short; as given, the URL names no folder.
    if (path.contains('\0')) return argument;
    return path.toStdString();
  }
  return argument;
}

// The options that take a value, and where it goes.
std::string* ValueOf(CommandLine* line, std::string_view name) {
  if (name == "filter") return &line->filter;
  if (name == "prefix") return &line->prefix;
  if (name == "range") return &line->range;
  return nullptr;
}

struct Flags {
  bool help = false;
  bool version = false;
  bool shuffle = false;
  bool undo = false;
  std::vector<std::string> given;  // the shuffle's own options, by name
  std::vector<std::string> folders;
};

// Takes one option: --name, --name=value, or --name value with `next` as the value
// (then `*used_next`). Nothing on success, else the usage error.
std::optional<CommandLine> TakeOption(std::string_view option, const char* next, bool* used_next,
                                      CommandLine* line, Flags* flags) {
  const bool is_long = option.starts_with("--");
  std::string_view name = option.substr(is_long ? 2 : 1);
  std::optional<std::string_view> inline_value;
  if (const size_t equals = name.find('='); is_long && equals != std::string_view::npos) {
    inline_value = name.substr(equals + 1);
    name = name.substr(0, equals);
  }
  if (std::string* value = is_long ? ValueOf(line, name) : nullptr) {
    if (!inline_value && next == nullptr) return UsageError(texts::kValueMissing, name);
    *value = inline_value ? std::string(*inline_value) : std::string(next);
    *used_next = !inline_value;
    flags->given.emplace_back(name);
    return std::nullopt;
  }
  bool* flag = nullptr;
  if (name == "help" || (!is_long && name == "h")) flag = &flags->help;
  if (name == "version" || (!is_long && name == "v")) flag = &flags->version;
  if (is_long && name == "shuffle") flag = &flags->shuffle;
  if (is_long && name == "undo") flag = &flags->undo;
  if (is_long && name == "dry-run") {
    flag = &line->dry_run;
    flags->given.emplace_back(name);
  }
  if (flag == nullptr) return UsageError(texts::kUnknownOption, name);
  if (inline_value) return UsageError(texts::kNoValueTaken, name);
  *flag = true;
  return std::nullopt;
}

// The usage error of a combination of options that does not go, if any.
std::optional<CommandLine> CheckCombination(const Flags& flags) {
  if (flags.folders.size() > 1) return UsageError(texts::kOneFolderOnly);
  if (flags.shuffle && flags.undo) return UsageError(texts::kShuffleOrUndo);
  if (!flags.shuffle && !flags.given.empty()) {
    return UsageError(texts::kOnlyWithShuffle, flags.given.front());
  }
  if ((flags.shuffle || flags.undo) && flags.folders.empty()) {
    return UsageError(texts::kFolderMissing, flags.shuffle ? "shuffle" : "undo");
  }
  return std::nullopt;
}

}  // namespace

CommandLine ReadCommandLine(int argc, const char* const argv[]) {
  CommandLine line;
  line.filter = texts::kFilterDefault;
  line.range = texts::kRangeDefault;
  Flags flags;
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (options_ended || argument == "-" || !argument.starts_with('-')) {
      flags.folders.emplace_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else {
      bool used_next = false;
      const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
      if (auto error = TakeOption(argument, next, &used_next, &line, &flags)) {
        return *error;
      }
      if (used_next) ++i;
    }
  }
  if (flags.help) return Ended(0, texts::kUsage);
  if (flags.version) {
    return Ended(0, (QCoreApplication::applicationName() + ' ' +
                     QCoreApplication::applicationVersion() + '\n')
                        .toStdString());
  }
  if (auto error = CheckCombination(flags)) return *error;
  if (flags.shuffle) line.mode = Mode::kShuffle;
  if (flags.undo) line.mode = Mode::kUndo;
  if (!flags.folders.empty()) line.folder = PathFromArgument(flags.folders[0]);
  return line;
}

}  // namespace vantrel
