#include "installer/status.h"

#include <array>
#include <utility>

#include "common/shellquote.h"
#include "installer/language.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/ui.h"

namespace qrl {
namespace {

using Row = std::array<const char*, 5>;

constexpr const char* kErrorScript = "show_error.sh";

struct LanguageRow {
    const char* language;
    Row texts;
};

// Searched in this order; any other identifier gets the first row.
const LanguageRow kWindowsProgress[] = {
    {"english", {"Unpacking the installer...", "Starting the installer...", "Searching for the JVM...",
                 "Installing the JVM...", "Restarting the installer..."}},
    {"french", {"Pr\xC3\xA9paration Wizard...", "D\xC3\xA9marrage Wizard...", "Recherche de JVM...",
                "Recherche de JVM...", "D\xC3\xA9marrage Wizard..."}},
    {"german", {"Bereite Wizard..", "Starte Wizard...", "Suche nach JVM...", "Suche nach JVM...", "Starte Wizard..."}},
    {"spanish", {"Preparando wizard...", "Comienza wizard...", "Busqueda para el JVM...", "Instala el JVM...",
                 "Comienza wizard de nuevo..."}},
    {"polish", {"Inicjalizacja Wizard...", "Ci dodatkowych...", "Searching for JVM...", "Installing the JVM...",
                "Ci dodatkowych..."}},
    {"italian", {"Preparazione Wizard...", "Esecuzione...", "Ricerca di JVM...", "Ricerca di JVM...", "Esecuzione..."}},
    {"portuguese", {"Preparando Wizard...", "Iniciando Wizard...", "Busca para JVM...", "Busca para JVM...",
                    "Iniciando Wizard..."}},
    {"japanese", {".", ".", ".", ".", "."}},
    {"dutch", {"Voorbereiden Wizard...", "Applicatie wordt gestart...", "Searching for JVM...",
               "Installing the JVM...", "Applicatie wordt gestart..."}},
};

const LanguageRow kPosixProgress[] = {
    {"english", {"Preparing wizard...", "Starting the wizard...", "Searching for JVM...", "", ""}},
    {"french", {"Pr\xC3\xA9paration Wizard...", "D\xC3\xA9marrage Wizard...", "Recherche de JVM...", "", ""}},
    {"german", {"Bereite Wizard..", "Starte Wizard...", "Suche nach JVM...", "", ""}},
    {"spanish", {"Preparando wizard...", "Comienza wizard...", "B\xC3\xBAsqueda para JVM...", "", ""}},
    {"polish", {"Inicjalizacja Wizard...", "Ci dodatkowych...", "Searching for JVM...", "", ""}},
    {"italian", {"Preparazione Wizard...", "Esecuzione..", "Ricerca di JVM...", "", ""}},
    {"portuguese", {"Preparando Wizard...", "Iniciando Wizard...", "Busca para JVM...", "", ""}},
    {"japanese", {".", ".", ".", "", ""}},
    {"dutch", {"Voorbereiden Wizard...", "Applicatie wordt gestart...", "Searching for JVM...", "", ""}},
};

const std::pair<const char*, const char*> kHints[] = {
    {"english", "\n\nSee errors.log and jinstall.log files for details."},
    {"french",
     "\n\nVeuillez examiner les fichiers errors.log et jinstall.log pour plus de d\xC3\xA9tails sur l'erreur."},
    {"german",
     "\n\nBitte \xC3\xBC" "berpr\xC3\xBC" "fen Sie die Dateien errors.log und jinstall.log f\xC3\xBCr n\xC3\xA4here "
     "Angaben zu diesem Problem."},
    {"spanish", "\n\nRevise por favor errors.log y jinstall.log para m\xC3\xA1s detalles acerca del error."},
    {"polish",
     "\n\nW celu uzyskania dok\xC5\x82" "adnej informacji o b\xC5\x82\xC4\x99" "dach prosz\xC4\x99 przejrze\xC4\x87 "
     "pliki errors.log i jinstall.log files."},
    {"italian", "\n\nPrego, controlla i file errors.log and jinstall.log per maggiori dettagli sull'error."},
    {"portuguese",
     "\n\nPor favor, verifique os arquivos errors.log e jinstall.log para maiores detalhes a respeito do erro."},
    {"japanese", "\n\nPlease review the errors.log and jinstall.log files for more details about the error."},
    {"dutch", "\n\nLees a.u.b. de errors.log- en jinstall.log-bestanden voor meer informatie over dit probleem."},
};

template <size_t N>
const LanguageRow& rowFor(const LanguageRow (&table)[N], std::string_view language) {
    for (const auto& row : table)
        if (language == row.language) return row;
    return table[0];
}

}  // namespace

// How each family's installer puts progress and errors in front of the user.
enum class ErrorDisplay {
    MessageBox,         // a Windows message box (the installer's window layer)
    Terminal,           // message and details on standard output and standard error, also in quiet mode
    TerminalAndScript,  // message and details on both streams, then the kit's "show_error.sh"; nothing when quiet
};

struct DisplayPolicy {
    bool posixProgressTexts;  // the POSIX table of progress texts (else the Windows one)
    bool progressOnTerminal;  // progress texts on standard output (else only traced)
    ErrorDisplay errors;
};

namespace {

const DisplayPolicy& displayPolicy(Family family) {
    static const DisplayPolicy windows{
        .posixProgressTexts = false, .progressOnTerminal = false, .errors = ErrorDisplay::MessageBox};
    static const DisplayPolicy posix{
        .posixProgressTexts = true, .progressOnTerminal = true, .errors = ErrorDisplay::Terminal};
    static const DisplayPolicy mac{
        .posixProgressTexts = false, .progressOnTerminal = true, .errors = ErrorDisplay::TerminalAndScript};
    return byFamily(family, windows, posix, mac);
}

}  // namespace

std::string progressText(Family family, std::string_view language, unsigned number) {
    if (number < 1 || number > 5) return {};
    const LanguageRow& row = displayPolicy(family).posixProgressTexts ? rowFor(kPosixProgress, language)
                                                                      : rowFor(kWindowsProgress, language);
    return row.texts[number - 1];
}

std::string firstDialogLine(std::string_view language) {
    if (language == "japanese") return "\rPreparing wizard...";
    return progressText(Family::Windows, language, 1);
}

std::string errorHint(std::string_view language) {
    for (const auto& [lang, hint] : kHints)
        if (language == lang) return hint;
    return kHints[0].second;
}

std::string errorBoxText(std::string_view message, std::string_view details, std::string_view language) {
    std::string text(message);
    if (!details.empty()) {
        text += "\r\r";
        text += details;
    } else {
        text += errorHint(language);
    }
    return text;
}

bool Status::showsProgress() const { return policy_.progressOnTerminal; }

Status::Status(Family family, Progress& progress) : policy_(displayPolicy(family)), progress_(&progress) {
    if (policy_.errors == ErrorDisplay::MessageBox) language_ = getLanguage(family);
}

void Status::showStatus(std::string_view text) const {
    if (!policy_.progressOnTerminal || quiet_ || text == "1") return;
    platform::writeStdout(std::string(text) + "\n");
}

namespace {

// Carriage returns separate the parts of a message box's text; on a terminal
// they would let a later line overwrite an earlier one.
std::string forTerminal(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r') c = '\n';
    return out;
}

}  // namespace

std::string errorLogText(Family family, std::string_view text) {
    return displayPolicy(family).errors == ErrorDisplay::MessageBox ? std::string(text) : forTerminal(text);
}

void Status::showError(std::string_view message, std::string_view details) const {
    if (policy_.errors != ErrorDisplay::MessageBox) {
        if (policy_.errors == ErrorDisplay::TerminalAndScript && quiet_) return;
        std::string text = "\n" + forTerminal(message) + "\n";
        if (!details.empty()) text += "\n" + forTerminal(details) + "\n";
        platform::writeStdout(text);
        platform::writeStderr(text);
        if (policy_.errors == ErrorDisplay::Terminal) return;
        // The kit's script, when it has one, gets the whole text as its one
        // argument; no shell reads the text itself.
        if (platform::typeOf(kErrorScript) != platform::FileType::File) return;
        std::string scriptText = std::string(message) + "\n" + std::string(details);
        platform::runCommand({"/bin/sh", kErrorScript, scriptText, installerTitle(productName_) + ": Error"});
        return;
    }
    if (quiet_) return;
    progress_->boxShowing();
    platform::showError(installerTitle(productName_) + ": Error", errorBoxText(message, details, language_));
}

void Status::showLogsNotSaved(std::string_view text) const {
    if (policy_.errors == ErrorDisplay::MessageBox)
        showError("Unable to save errors.log",
                  std::string(text) + "\n\nTry installing from a non-write protected drive.");
    else if (policy_.errors == ErrorDisplay::TerminalAndScript && quiet_)
        platform::writeStderr(std::string(text) + "\n");
    else
        showError(text);
}

void Status::showMessage(std::string_view text) const {
    progress_->boxShowing();
    platform::showWarning(installerTitle(productName_), text);
}

std::string installerTitle(std::string_view productName) {
    return (productName.empty() ? std::string("Quarlan") : std::string(productName)) + " Installer";
}

}  // namespace qrl
