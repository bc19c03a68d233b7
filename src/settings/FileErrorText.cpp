#include "settings/FileErrorText.h"

#include "common/SafeFile.h"
#include "settings/Language.h"

#include <cerrno>

QString FileErrorText(int error) {
  switch (error) {
  case ENOSPC:
    return UiText("FileErrorNoSpace");
  case EDQUOT:
    return UiText("FileErrorQuota");
  case EACCES:
  case EPERM:
    return UiText("FileErrorDenied");
  case EROFS:
    return UiText("FileErrorReadOnly");
  case ENOENT:
    return UiText("FileErrorNotFound");
  case ENOTDIR:
    return UiText("FileErrorNotFolder");
  case EISDIR:
    return UiText("FileErrorIsFolder");
  case EIO:
    return UiText("FileErrorInputOutput");
  default:
    return SystemErrorText(error);
  }
}
