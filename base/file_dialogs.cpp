#include "base/file_dialogs.h"

namespace zlv {

FileDialogRequest MakeFileDialogRequest(const FileDialogSpec& spec, TextView initialFolder) {
  FileDialogRequest request;
  request.kind = spec.kind;
  request.filter = spec.filter;
  request.defaultExtension = spec.defaultExtension;
  request.flags = spec.flags;
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
