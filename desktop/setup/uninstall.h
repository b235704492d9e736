// setup --uninstall: the section "DesktopUninstall" of the INF beside the
// installer carried out by the same engine as the installation: it deletes
// the files and registrations the installation put in place. The person's
// notes (Outlook's store), the partnerships and the handheld are not
// touched.
#pragma once

#include <string>

// 0 when everything was removed; otherwise 1 with the reason in *problem.
int UninstallDesktop(const std::string& folder, std::string* problem);
