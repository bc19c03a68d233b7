#include "settings/FileErrorText.h"

#include "common/SafeFile.h"
#include "settings/Language.h"

#include <cerrno>

QString fileErrorText(int error) {
  switch (error) {
  case ENOSPC:
    return uiText("FileErrorNoSpace");
  case EDQUOT:
    return uiText("FileErrorQuota");
  case EACCES:
  case EPERM:
    return uiText("FileErrorDenied");
  case EROFS:
    return uiText("FileErrorReadOnly");
  case ENOENT:
    return uiText("FileErrorNotFound");
  case ENOTDIR:
    return uiText("FileErrorNotFolder");
  case EISDIR:
    return uiText("FileErrorIsFolder");
  case EIO:
    return uiText("FileErrorInputOutput");
  default:
    return systemErrorText(error);
  }
}
