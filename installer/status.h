// Progress texts and error reports, in the user's language.
#pragma once

#include <string>
#include <string_view>

#include "common/family.h"
#include "installer/progress.h"

namespace qrl {

struct DisplayPolicy;

// The text of a numbered phase of a run (1 begins, 2 wizard about to start,
// 3 searching for a JVM, 4 installing a JVM, 5 restarting). The Windows table
// serves the Windows and macOS installers, the POSIX table the POSIX one;
// other numbers give the empty text.
std::string progressText(Family family, std::string_view language, unsigned number);

// The first line of the Windows status dialog.
std::string firstDialogLine(std::string_view language);

// The hint that ends a Windows error box without details.
std::string errorHint(std::string_view language);

// The text of a Windows error box: message and details separated by two
// carriage returns, or the message followed by the hint.
std::string errorBoxText(std::string_view message, std::string_view details, std::string_view language);

// A failure text as the family's error log keeps it: the Windows installer
// keeps the carriage returns that part its error box, the others write line
// feeds.
std::string errorLogText(Family family, std::string_view text);

class Status {
public:
    // `progress` learns of a box before it shows.
    explicit Status(Family family, Progress& progress = Progress::none());

    void setQuietMode(bool quiet) { quiet_ = quiet; }
    // The product the kit installs ("productName" of the control file): the
    // boxes are then titled "Acme Installer" and "Acme Installer: Error"
    // instead of "Quarlan Installer", and macOS hands that title to the kit's
    // "show_error.sh" as its second argument.
    void setProductName(std::string name) { productName_ = std::move(name); }
    bool quietMode() const { return quiet_; }

    // POSIX and macOS: the text and a line feed on standard output, unless
    // quiet or the text is exactly "1". Windows: nothing (the status dialog
    // shows only its first line).
    void showStatus(std::string_view text) const;
    // Whether progress texts reach the user (POSIX and macOS) or only the
    // trace (Windows).
    bool showsProgress() const;

    // POSIX: message and details on standard output and standard error, also
    // in quiet mode. macOS: message and details on both streams, then the kit's
    // "show_error.sh" (when it has one) with the text, nothing at all in
    // quiet mode.
    // Windows: unless quiet, the status window goes (Progress::boxShowing)
    // and a system-modal error
    // box "Quarlan Installer: Error" shows errorBoxText in the Status's own
    // language.
    void showError(std::string_view message, std::string_view details = {}) const;

    // Windows: the status window goes (Progress::boxShowing) and a warning box "Quarlan Installer"
    // shows the text, also in quiet mode. Elsewhere the text on standard error.
    void showMessage(std::string_view text) const;

    // The logs of the run could not be saved where the user looks for them
    // (`text` says where they are). Windows: the error box "Unable to save
    // errors.log". macOS in quiet mode: the text on standard error, since
    // the caller must learn where they are. Else as showError.
    void showLogsNotSaved(std::string_view text) const;

private:
    const DisplayPolicy& policy_;
    Progress* progress_;
    std::string language_;  // Windows: the language of the error boxes
    bool quiet_ = false;
    std::string productName_;
};

// The title of the installer's windows: "Quarlan Installer", or "Acme
// Installer" for the product "Acme".
std::string installerTitle(std::string_view productName);

}  // namespace qrl
