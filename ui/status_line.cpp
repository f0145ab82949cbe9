#include "ui/status_line.h"

#include <algorithm>

#include "ui/main_paint.h"

namespace zlv::ui {
namespace {

Text FileName(TextView path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return Text(slash == TextView::npos ? path : path.substr(slash + 1));
}

Text Decimal(int n) {
  Text text;
  if (n < 0) return u"?";
  do {
    text.insert(text.begin(), static_cast<char16_t>(u'0' + n % 10));
    n /= 10;
  } while (n > 0);
  return text;
}

}  // namespace

StatusMessage StatusMessageOf(StatusEvent event, bool english, TextView name, int number) {
  const Text file = FileName(name);
  const auto ok = [](Text text) { return StatusMessage{std::move(text), false}; };
  const auto failed = [](Text text) { return StatusMessage{std::move(text), true}; };
  switch (event) {
    case StatusEvent::kApplied:
      return ok(english ? u"Applied to the mouse and saved" : u"已应用到鼠标并保存");
    case StatusEvent::kAppliedNotSaved:
      return failed(english ? u"Sent to the mouse, but could not write config.ini"
                            : u"已发送到鼠标，但无法写入 config.ini");
    case StatusEvent::kSaved:
      return ok(english ? u"Saved" : u"已保存");
    case StatusEvent::kSaveFailed:
      return failed(english ? u"Not saved: could not write config.ini" : u"未保存：无法写入 config.ini");
    case StatusEvent::kProfileExported:
      return ok((english ? u"Profile exported to " : u"配置已导出到 ") + file);
    case StatusEvent::kProfileExportFailed:
      return failed((english ? u"Not exported: could not write " : u"未导出：无法写入 ") + file);
    case StatusEvent::kProfileImported:
      return ok(english ? u"Profile imported: press Apply to send it" : u"配置已导入：按“应用”发送到鼠标");
    case StatusEvent::kDefaultsRestored:
      return ok(english ? u"Factory settings restored" : u"已恢复出厂设置");
    case StatusEvent::kDefaultsNotSaved:
      return failed(english ? u"Factory settings sent, but a file could not be written"
                            : u"出厂设置已发送，但有文件无法写入");
    case StatusEvent::kMacrosSaved:
      return ok((english ? u"Macros saved to " : u"宏已保存到 ") + file);
    case StatusEvent::kMacrosNotSaved:
      return failed((english ? u"Macros not saved: could not write " : u"宏未保存：无法写入 ") + file);
    case StatusEvent::kMacrosExported:
      return ok((english ? u"Macros exported to " : u"宏已导出到 ") + file);
    case StatusEvent::kMacroExportFailed:
      return failed((english ? u"Macros not exported: could not write " : u"宏未导出：无法写入 ") + file);
    case StatusEvent::kMacrosImported:
      return ok(english ? u"Macros imported: press Set to save them" : u"宏已导入：按“设置”保存");
    case StatusEvent::kMacroImportFailed:
      return failed((english ? u"Nothing imported: could not read " : u"未导入：无法读取 ") + file);
    case StatusEvent::kUnappliedDropped:
      return ok(english ? u"Unapplied changes of profile " + Decimal(number) + u" dropped"
                        : u"配置 " + Decimal(number) + u" 未应用的更改已放弃");
  }
  return {};
}

Text UnappliedNote(bool english) {
  return english ? u"Not applied yet: press Apply to send it to the mouse" : u"尚未应用：按“应用”发送到鼠标";
}

void StatusLine::Show(StatusMessage message, Nanos now) {
  message_ = std::move(message);
  shown_at_ = now;
}

std::optional<StatusMessage> StatusLine::At(Nanos now, bool unapplied, bool english) const {
  if (message_ && now - shown_at_ < kShownFor) return message_;
  if (unapplied) return StatusMessage{UnappliedNote(english), false};
  return std::nullopt;
}

PixelRect StatusLineRect(const SkinLayout& layout) {
  constexpr int kGap = 8;
  const PixelRect web = EntryRect(layout.MainEntries[19]);
  const PixelRect cancel = EntryRect(layout.MainEntries[2]);
  const PixelRect line{web.right + kGap, cancel.top, cancel.left - kGap, cancel.bottom};
  return line.Empty() ? PixelRect{} : line;
}

}  // namespace zlv::ui
