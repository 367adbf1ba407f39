#pragma once
// The user's profile: an INI file of sections and keys, read once when the
// object is made and edited in memory until it is saved.
#include <memory>
#include <string>

struct IniText;

class Profile {
 public:
  explicit Profile(std::string path);
  ~Profile();
  Profile(Profile&&) noexcept;
  Profile& operator=(Profile&&) noexcept;

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
  // Sets the text in memory, keeping every other section and key, their
  // order and every other line; save writes it.
  void setString(const std::string& section, const std::string& key, const std::string& text);
  // Replaces the file atomically with what is in memory. False when it could
  // not be written, or when the file there at the start could not be read
  // (it is never replaced by a near-empty one).
  bool save();
  // setString, then save.
  bool writeString(const std::string& section, const std::string& key, const std::string& text);

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::unique_ptr<IniText> ini_;  // nullptr: a file there that could not be read
};
