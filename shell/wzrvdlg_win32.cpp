#include "shell/wzrvdlg.h"

#include "shell/trace.h"

void AboutDialog::Execute() { wzrv::Trace("AboutDialog"); }

int PasswordDialog::Execute(char*) {
  wzrv::Trace("PasswordDialog");
  return 0;
}
