#include "launcher/switches.h"

#include "base/format.h"
#include "base/sjis.h"
#include "install/elevation.h"
#include "version.h"

namespace {

// "/name=value" or "/name": the name lower-cased, the value as given.
struct Word {
  std::string name;
  std::string value;
  bool has_value = false;
};

Word SplitWord(const std::string& word) {
  Word w;
  const size_t eq = word.find('=');
  w.name = sjis::AsciiLower(word.substr(1, eq == std::string::npos ? std::string::npos : eq - 1));
  if (eq != std::string::npos) {
    w.value = word.substr(eq + 1);
    w.has_value = true;
  }
  return w;
}

// ";"-separated, blanks around each item dropped, empty items refused.
std::vector<std::string> SplitList(const std::string& value, char delimiter, const std::string& word) {
  std::vector<std::string> items;
  size_t start = 0;
  for (;;) {
    const size_t end = value.find(delimiter, start);
    std::string item = value.substr(start, end == std::string::npos ? std::string::npos : end - start);
    while (!item.empty() && item.front() == ' ') item.erase(item.begin());
    while (!item.empty() && item.back() == ' ') item.pop_back();
    if (item.empty()) throw ESwitchError(Format("スイッチの値が正しくありません: %s", word.c_str()));
    items.push_back(std::move(item));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return items;
}

}  // namespace

bool TRunSwitches::Any() const {
  return silent || verify || delete_save || help || !dir.empty() || components_given || disc != Discs::kDefault ||
         !disc_folders.empty() || !log.empty() || !elevated_for.empty();
}

TRunSwitches ParseSwitches(const std::vector<std::string>& params) {
  TRunSwitches s;
  std::vector<std::string> seen;
  for (const std::string& word : params) {
    if (word.empty() || word[0] != '/') {
      s.positional.push_back(word);
      continue;
    }
    const Word w = SplitWord(word);
    for (const std::string& name : seen) {
      if (name == w.name) throw ESwitchError(Format("スイッチが重複しています: %s", word.c_str()));
    }
    seen.push_back(w.name);

    const auto flag = [&](bool& target) {
      if (w.has_value) throw ESwitchError(Format("このスイッチは値をとりません: %s", word.c_str()));
      target = true;
    };
    const auto value = [&]() -> const std::string& {
      if (!w.has_value || w.value.empty()) throw ESwitchError(Format("スイッチの値がありません: %s", word.c_str()));
      return w.value;
    };

    if (w.name == "?" || w.name == "help") {
      flag(s.help);
    } else if (w.name == "silent") {
      flag(s.silent);
    } else if (w.name == "verify") {
      flag(s.verify);
    } else if (w.name == "deletesave") {
      flag(s.delete_save);
    } else if (w.name == "dir") {
      s.dir = value();
    } else if (w.name == "log") {
      s.log = value();
    } else if (w.name == "elevated") {
      if (!IsSidText(value())) throw ESwitchError(Format("スイッチの値が正しくありません: %s", word.c_str()));
      s.elevated_for = w.value;
    } else if (w.name == "discs") {
      s.disc_folders = SplitList(value(), ';', word);
    } else if (w.name == "disc") {
      const std::string v = sjis::AsciiLower(value());
      if (v == "all") s.disc = TRunSwitches::Discs::kAll;
      else if (v == "this") s.disc = TRunSwitches::Discs::kThis;
      else throw ESwitchError(Format("スイッチの値が正しくありません: %s（all または this）", word.c_str()));
    } else if (w.name == "components") {
      s.components_given = true;
      for (const std::string& item : SplitList(sjis::AsciiLower(value()), ',', word)) {
        if (item == "program") continue;  // always installed
        if (item == "data") s.data = true;
        else if (item == "sound") s.sound = true;
        else if (item == "movie") s.movie = true;
        else
          throw ESwitchError(
              Format("スイッチの値が正しくありません: %s（program, data, sound, movie）", word.c_str()));
      }
    } else {
      throw ESwitchError(Format("不明なスイッチです: %s", word.c_str()));
    }
  }
  return s;
}

void CheckSwitchesForRole(const TRunSwitches& s, bool uninstall) {
  if (s.verify && s.silent) throw ESwitchError("/verify と /silent は同時に指定できません");
  // The restart with administrator rights is a wizard: it always has a window.
  if (!s.elevated_for.empty() && (s.silent || s.verify))
    throw ESwitchError(Format("/elevated と %s は同時に指定できません", s.silent ? "/silent" : "/verify"));
  if (uninstall) {
    const char* name = !s.dir.empty()                             ? "/dir"
                       : s.components_given                       ? "/components"
                       : s.disc != TRunSwitches::Discs::kDefault ? "/disc"
                       : !s.disc_folders.empty()                  ? "/discs"
                                                                  : nullptr;
    if (name) throw ESwitchError(Format("アンインストールでは使えないスイッチです: %s", name));
  } else {
    if (s.delete_save) throw ESwitchError("インストールでは使えないスイッチです: /deletesave");
    if (s.verify) throw ESwitchError("/verify はインストール先のプログラムで使います");
  }
}

bool AsksForNoWindow(const std::vector<std::string>& params) {
  for (const std::string& word : params) {
    if (word.empty() || word[0] != '/') continue;
    const std::string name = SplitWord(word).name;
    if (name == "silent" || name == "verify") return true;
  }
  return false;
}

std::vector<std::string> SwitchWords(const TRunSwitches& s) {
  std::vector<std::string> words;
  if (s.silent) words.push_back("/silent");
  if (s.verify) words.push_back("/verify");
  if (s.delete_save) words.push_back("/deletesave");
  if (!s.dir.empty()) words.push_back("/dir=" + s.dir);
  if (s.components_given) {
    std::string list = "program";
    if (s.data) list += ",data";
    if (s.sound) list += ",sound";
    if (s.movie) list += ",movie";
    words.push_back("/components=" + list);
  }
  if (s.disc != TRunSwitches::Discs::kDefault)
    words.push_back(s.disc == TRunSwitches::Discs::kAll ? "/disc=all" : "/disc=this");
  if (!s.disc_folders.empty()) {
    std::string list;
    for (const std::string& folder : s.disc_folders) list += (list.empty() ? "" : ";") + folder;
    words.push_back("/discs=" + list);
  }
  if (!s.log.empty()) words.push_back("/log=" + s.log);
  if (!s.elevated_for.empty()) words.push_back("/elevated=" + s.elevated_for);
  return words;
}

std::string SwitchHelpText() {
  return "install.exe " ZI_VERSION_STRING "\r\n"
         "install.exe [フォルダ] [スイッチ...]\r\n"
         "  /silent            ウィンドウを出さずにインストールまたはアンインストールします\r\n"
         "  /dir=FOLDER        インストール先（完全なパス）\r\n"
         "  /components=LIST   program,data,sound,movie（省略時はすべて）\r\n"
         "  /disc=all|this     セットのすべてのディスク、またはこのディスクだけ\r\n"
         "  /discs=F1;F2...    次のディスクを探すフォルダ\r\n"
         "  /deletesave        アンインストールでセーブデータ(save.dat)も削除します\r\n"
         "  /verify            インストール先のファイルとデータファイルを確認します\r\n"
         "  /log=FILE          実行の記録を書き出します（UTF-8）\r\n"
         "  /elevated=SID      管理者として再起動された実行（プログラムが自分で付けます）\r\n"
         "  /? /help           この説明\r\n"
         "終了コード:\r\n"
         "  0 成功  1 失敗  2 スイッチの誤り  3 中止  4 データファイルの確認に失敗\r\n"
         "  5 空き容量不足  6 ディスクが見つからない  7 インストール先が使えない\r\n"
         "  8 ゲームまたはインストーラーが実行中  9 install.dat がない\r\n"
         "終了コードを待つには start /wait install.exe ... のあと %ERRORLEVEL% を見てください";
}
