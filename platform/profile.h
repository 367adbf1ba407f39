#pragma once
// The user's profile: an INI file of sections and keys.
#include <string>

class Profile {
 public:
  explicit Profile(std::string path);

  // $BINOXA_PROFILE, else $XDG_CONFIG_HOME/binoxa/binoxa.ini, else
  // ~/.config/binoxa/binoxa.ini
  static std::string defaultPath();

  // As GetProfileIntA: the default when the section, the key or its value is
  // missing; otherwise the leading decimal number of the text (blanks
  // skipped, optional sign; no digits gives 0), limited to 32 bits.
  int getInt(const std::string& section, const std::string& key, int def) const;
  // The value's text without surrounding blanks; the default when the
  // section, the key or its value is missing.
  std::string getString(const std::string& section, const std::string& key, const std::string& def) const;
  // Stores the text, keeping every other section and key; the file is
  // replaced atomically. False when it could not be written.
  bool writeString(const std::string& section, const std::string& key, const std::string& text);

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};
