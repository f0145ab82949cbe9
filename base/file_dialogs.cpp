#include "base/file_dialogs.h"

namespace zlv {

FileDialogRequest MakeFileDialogRequest(const FileDialogSpec& dialog, TextView initialFolder) {
  FileDialogRequest request;
  request.kind = dialog.kind;
  request.filter = dialog.filter;
  request.defaultExtension = dialog.defaultExtension;
  request.flags = dialog.flags;
  request.initialFolder = Text(initialFolder);
  return request;
}

Text NulSeparatedFilter(TextView barFilter) {
  Text filter(barFilter);
  for (char16_t& c : filter) {
    if (c == u'|') c = u'\0';
  }
  return filter;
}

}  // namespace zlv
