// SPDX-License-Identifier: GPL-3.0-or-later
// The manual page of tevra-cli against the tool's own help: every command has its entry, and every
// word of a command's usage (options, their values, sub-commands, placeholders) appears in it.
#include "tools/tevra-cli/cli.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tevra::cli {
namespace {

// The page's text as the reader sees it: font changes dropped, "\-" a hyphen, "\(dq" a quote.
std::vector<std::string> ManualPageLines() {
  std::ifstream file(TEVRA_MANUAL_PAGE);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(file, line)) {
    for (const auto& [escape, plain] : std::vector<std::pair<std::string, std::string>>{{"\\fB", ""},
                                                                                        {"\\fI", ""},
                                                                                        {"\\fR", ""},
                                                                                        {"\\fP", ""},
                                                                                        {"\\-", "-"},
                                                                                        {"\\(dq", "\""},
                                                                                        {"\\ ", " "}}) {
      for (size_t at = line.find(escape); at != std::string::npos;
           at = line.find(escape, at + plain.size())) {
        line.replace(at, escape.size(), plain);
      }
    }
    lines.push_back(line);
  }
  return lines;
}

// The help's command lines, "  NAME USAGE", by name.
std::map<std::string, std::string> HelpCommands(const std::string& help) {
  std::map<std::string, std::string> commands;
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("  ") && line.size() > 2 && line[2] != ' ') {
      const size_t end = line.find(' ', 2);
      commands[line.substr(2, end - 2)] = end == std::string::npos ? "" : line.substr(end + 1);
    }
  }
  return commands;
}

// The entries of the section COMMANDS: each begins at a tagged paragraph whose tag starts with a
// command's name and runs to the next one or to the next section.
std::map<std::string, std::string> CommandEntries(const std::vector<std::string>& lines,
                                                  const std::map<std::string, std::string>& commands) {
  std::map<std::string, std::string> entries;
  bool inCommands = false;
  std::string* entry = nullptr;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].starts_with(".SH")) {
      inCommands = lines[i] == ".SH COMMANDS";
      entry = nullptr;
      continue;
    }
    if (!inCommands) {
      continue;
    }
    if (lines[i] == ".TP" && i + 1 < lines.size()) {
      std::istringstream tag(lines[i + 1].starts_with(".B ") ? lines[i + 1].substr(3) : lines[i + 1]);
      std::string first;
      tag >> first;
      if (commands.contains(first)) {
        entry = &entries[first];
      }
    }
    if (entry != nullptr) {
      *entry += lines[i] + "\n";
    }
  }
  return entries;
}

// The words of a usage text, without the brackets, bars and quotes around them.
std::vector<std::string> UsageWords(const std::string& usage) {
  std::string spaced = usage;
  for (char& c : spaced) {
    if (c == '[' || c == ']' || c == '|' || c == '"') {
      c = ' ';
    }
  }
  std::istringstream words(spaced);
  std::vector<std::string> list;
  for (std::string word; words >> word;) {
    list.push_back(word);
  }
  return list;
}

// Whether word stands in text on its own, not as part of a longer name ("--zone" in "--zones").
bool HasWord(const std::string& text, const std::string& word) {
  const auto isNameChar = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
  };
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const bool startsAlone = at == 0 || !isNameChar(text[at - 1]);
    const bool endsAlone = at + word.size() == text.size() || !isNameChar(text[at + word.size()]);
    if (startsAlone && endsAlone) {
      return true;
    }
  }
  return false;
}

TEST(ManualPage, DocumentsEveryCommandAndOptionOfTheHelp) {
  const std::vector<std::string> lines = ManualPageLines();
  ASSERT_FALSE(lines.empty()) << "cannot read " << TEVRA_MANUAL_PAGE;
  std::string page;
  for (const std::string& line : lines) {
    page += line + "\n";
  }

  std::ostringstream help;
  std::ostringstream err;
  ASSERT_EQ(RunCli({"--help"}, help, err), ExitOk);
  // The tool's own options: the help's usage lines before the list of commands.
  const std::string text = help.str();
  for (const std::string& word : UsageWords(text.substr(0, text.find("Commands:")))) {
    if (word.starts_with("-")) {
      EXPECT_TRUE(HasWord(page, word)) << "the manual page lacks the option " << word;
    }
  }

  const std::map<std::string, std::string> commands = HelpCommands(text);
  ASSERT_FALSE(commands.empty()) << text;
  const std::map<std::string, std::string> entries = CommandEntries(lines, commands);
  for (const auto& [name, usage] : commands) {
    const auto entry = entries.find(name);
    if (entry == entries.end()) {
      ADD_FAILURE() << "the manual page has no entry for the command " << name;
      continue;
    }
    for (const std::string& word : UsageWords(usage)) {
      EXPECT_TRUE(HasWord(entry->second, word))
          << "the manual page's entry for " << name << " lacks \"" << word << "\"";
    }
  }
}

}  // namespace
}  // namespace tevra::cli
