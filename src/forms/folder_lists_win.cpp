#include "forms/folder_lists_win.h"

#include <algorithm>

#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "base/system_string_win.h"
#include "forms/dpi_scale.h"

namespace {

std::string FullPath(const std::string& path) {
  const std::wstring wide = enc::Wide(path);
  const std::wstring full =
      SystemString([&](wchar_t* buf, DWORD size) { return GetFullPathNameW(wide.c_str(), size, buf, nullptr); });
  if (full.empty()) return path;
  try {
    return enc::NarrowPath(full);
  } catch (const EPathError&) {
    return path;
  }
}

// "C:\" stays; any other folder loses its trailing delimiter.
std::string Normalized(const std::string& path) {
  std::string p = FullPath(path);
  if (p.size() > 3 && EndsWithDelimiter(p)) p.pop_back();
  return p;
}

// Drawn in design pixels scaled to dpi.
void DrawFolder(HDC dc, int x, int y, bool open, int dpi) {
  const auto px = [dpi](int v) { return ScaleToDpi(v, dpi); };
  // A small folder: a tab and a body, yellow when open.
  const COLORREF body = open ? RGB(0xF0, 0xD0, 0x60) : RGB(0xE0, 0xC0, 0x50);
  HBRUSH brush = CreateSolidBrush(body);
  HPEN pen = CreatePen(PS_SOLID, px(1), RGB(0x80, 0x60, 0x10));
  HGDIOBJ old_brush = SelectObject(dc, brush);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  Rectangle(dc, x, y + px(1), x + px(6), y + px(4));
  Rectangle(dc, x, y + px(3), x + px(13), y + px(12));
  if (open) {
    MoveToEx(dc, x + px(2), y + px(6), nullptr);
    LineTo(dc, x + px(12), y + px(6));
  }
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(brush);
  DeleteObject(pen);
}

}  // namespace

TDirectoryListBox::TDirectoryListBox(TWinContainer* parent, const Args& a)
    : TControl(parent, a.id), item_height_(a.item_height) {
  CreateHandle(L"LISTBOX", "",
               WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT,
               WS_EX_CLIENTEDGE, a.bounds);
  SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, ScaleToDpi(item_height_, Dpi()));
  const std::wstring cwd = SystemString([](wchar_t* buf, DWORD size) { return GetCurrentDirectoryW(size, buf); });
  std::string current = "C:\\";
  try {
    if (!cwd.empty()) current = enc::NarrowPath(cwd);
  } catch (const EPathError&) {
    // a current folder code page 932 cannot name: the lists start on C:
  }
  directory_ = Normalized(current);
  Rebuild();
}

bool TDirectoryListBox::SetDirectory(const std::string& path) {
  const std::string dir = Normalized(path);
  if (!fs::DirectoryExists(dir)) return false;
  SetCurrentDirectoryW(enc::Wide(dir).c_str());
  const bool changed = dir != directory_;
  directory_ = dir;
  Rebuild();
  if (changed && OnChange) OnChange();
  return true;
}

bool TDirectoryListBox::SetDrive(char letter) {
  // "X:" names the drive's current folder.
  const std::string drive = std::string(1, letter) + ":";
  std::string dir = FullPath(drive);
  if (!fs::DirectoryExists(dir)) dir = drive + "\\";
  return SetDirectory(dir);
}

std::string TDirectoryListBox::ItemPath(int index) const {
  return index >= 0 && index < ItemCount() ? items_[static_cast<size_t>(index)].path : std::string();
}

void TDirectoryListBox::Rebuild() {
  items_.clear();
  // The path from the root down: "C:\", then each folder.
  const std::string& d = directory_;
  std::string so_far;
  int level = 0;
  size_t start = 0;
  if (d.size() >= 3 && d[1] == ':') {
    so_far = d.substr(0, 3);
    items_.push_back({so_far, so_far, level++, true});
    start = 3;
  }
  while (start < d.size()) {
    size_t next = sjis::FindChar(d, '\\', start);
    if (next == std::string::npos) next = d.size();
    const std::string name = d.substr(start, next - start);
    if (!name.empty()) {
      so_far = so_far.empty() ? name : AddTrailingDelimiter(so_far) + name;
      items_.push_back({so_far, name, level++, true});
    }
    start = next + 1;
  }
  const size_t current = items_.empty() ? 0 : items_.size() - 1;
  // The sub-folders of the current folder, sorted by name.
  std::vector<fs::DirEntry> entries;
  fs::ListDirectory(directory_, &entries);
  std::vector<std::string> names;
  for (const auto& e : entries)
    if (e.is_directory) names.push_back(e.name);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return sjis::CompareNoCase(a, b) < 0; });
  for (const auto& n : names) items_.push_back({AddTrailingDelimiter(directory_) + n, n, level, false});

  SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
  for (const auto& item : items_) SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(enc::Wide(item.name).c_str()));
  SendMessageW(hwnd_, LB_SETCURSEL, current, 0);
  SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void TDirectoryListBox::ApplyDpi() {
  TControl::ApplyDpi();
  if (hwnd_) SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, ScaleToDpi(item_height_, Dpi()));
}

void TDirectoryListBox::HandleCommand(WORD code) {
  if (code != LBN_DBLCLK) return;
  const int index = static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
  if (index >= 0 && index < ItemCount()) SetDirectory(items_[static_cast<size_t>(index)].path);
}

bool TDirectoryListBox::HandleDrawItem(const DRAWITEMSTRUCT& di) {
  if (di.itemID == static_cast<UINT>(-1) || di.itemID >= items_.size()) return true;
  const Item& item = items_[di.itemID];
  const bool selected = (di.itemState & ODS_SELECTED) != 0;
  HDC dc = di.hDC;
  const int dpi = Dpi();
  FillRect(dc, &di.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int x = di.rcItem.left + ScaleToDpi(2 + item.level * 8, dpi);
  const int h = di.rcItem.bottom - di.rcItem.top;
  DrawFolder(dc, x, di.rcItem.top + (h - ScaleToDpi(12, dpi)) / 2, item.open, dpi);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT text = di.rcItem;
  text.left = x + ScaleToDpi(17, dpi);
  const std::wstring name = enc::Wide(item.name);
  DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (di.itemState & ODS_FOCUS) DrawFocusRect(dc, &di.rcItem);
  return true;
}

TDriveComboBox::TDriveComboBox(TWinContainer* parent, const Args& a) : TControl(parent, a.id) {
  CreateHandle(L"COMBOBOX", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, a.bounds);
  SetItemHeight();
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    const char letter = static_cast<char>('A' + i);
    const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\";
    std::wstring text = std::wstring(1, static_cast<wchar_t>(L'a' + i)) + L":";
    const UINT type = GetDriveTypeW(root.c_str());
    // Only fixed and optical drives are asked for their name: a floppy drive would spin up.
    if (type == DRIVE_FIXED || type == DRIVE_CDROM || type == DRIVE_RAMDISK) {
      wchar_t label[MAX_PATH + 1] = L"";
      if (GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) && label[0])
        text += L" [" + std::wstring(label) + L"]";
    }
    SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    letters_.push_back(letter);
  }
}

namespace {
constexpr int kDropHeight = 200;  // the open list; the closed box takes the item height
constexpr int kComboBorders = 6;  // what the closed box adds to its item height at 96 DPI
}  // namespace

RECT TDriveComboBox::PixelRect() const {
  const ScaledRect r = ScaleRectToDpi(bounds_.left, bounds_.top, bounds_.width, kDropHeight, Dpi());
  return {r.left, r.top, r.left + r.width, r.top + r.height};
}

void TDriveComboBox::SetItemHeight() {
  // The closed box: the item height plus the borders gives the designed
  // height (the borders are the system's own).
  const int dpi = Dpi();
  const int height = ScaleToDpi(bounds_.top + bounds_.height, dpi) - ScaleToDpi(bounds_.top, dpi);
  SendMessageW(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height - kComboBorders);
}

void TDriveComboBox::ApplyDpi() {
  TControl::ApplyDpi();
  if (hwnd_) SetItemHeight();
}

void TDriveComboBox::SetDrive(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  const auto it = std::find(letters_.begin(), letters_.end(), letter);
  if (it == letters_.end()) return;
  SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(it - letters_.begin()), 0);
  drive_ = letter;
  if (dir_list_) dir_list_->SetDrive(letter);
  if (OnChange) OnChange();
}

void TDriveComboBox::HandleCommand(WORD code) {
  if (code != CBN_SELCHANGE) return;
  const int index = static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
  if (index >= 0 && index < static_cast<int>(letters_.size())) SetDrive(letters_[static_cast<size_t>(index)]);
}
