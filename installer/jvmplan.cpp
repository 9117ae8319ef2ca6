#include "installer/jvmplan.h"

#include <algorithm>

#include "common/familyrules.h"
#include "common/text.h"

namespace qrl {
namespace {

bool typeIs(const ControlSettings& s, const char* type) { return compareIgnoreCase(s.jvmInstallerType, type) == 0; }

// A system too old for a kit's JVM gets none: the user installs one.
bool checksOs(const ControlSettings& s, const FamilyRules& rules) {
    return rules.provisioning != JvmProvisioning::InstallJvm && rules.checksOsForKitJvm &&
           typeIs(s, "selfExtratorJvmInstaller") && !s.jvmSelfExtractor.empty();
}

}  // namespace

std::string versionText(const ControlSettings& s) {
    if (!s.requiredVersion.empty()) return s.requiredVersion;
    if (!s.maxVersion.empty()) return s.minVersion + " - " + s.maxVersion;
    return s.minVersion + " or a later version";
}

bool searchesForJvm(const ControlSettings& s) {
    return s.searchForJvm.empty() || (compareIgnoreCase(s.searchForJvm, "no") != 0 && compareIgnoreCase(s.searchForJvm, "none") != 0);
}

JvmPlanFacts gatherPlanFacts(const ControlSettings& s, Family family, JvmPlanFacts facts,
                             const JvmPlanSources& sources) {
    if (!facts.found.empty()) return facts;
    const FamilyRules& rules = rulesFor(family);
    if (!s.jvmSelfExtractor.empty()) facts.archiveInKit = sources.inKit(s.jvmSelfExtractor);
    if (!s.jvmInstallerBinary.empty()) facts.installerInKit = sources.inKit(s.jvmInstallerBinary);
    if (checksOs(s, rules)) facts.osNewEnough = sources.osNewEnough();
    if (rules.provisioning == JvmProvisioning::InstallJvm && facts.archiveInKit)
        facts.thirdPartyInstaller = sources.thirdPartyInstaller();
    return facts;
}

JvmPlan planJvm(const ControlSettings& s, Family family, const JvmPlanFacts& facts) {
    JvmPlan plan;
    if (!facts.found.empty()) {
        plan.kind = JvmPlanKind::UseFound;
        plan.launcher = facts.found;
        return plan;
    }
    const FamilyRules& rules = rulesFor(family);
    const std::string version = versionText(s);
    auto giveUp = [&](std::string message, std::string details) {
        plan.kind = JvmPlanKind::GiveUp;
        plan.message = std::move(message);
        plan.details = std::move(details);
        // (A JVM that was found but could not run the wizard is no search failure.)
        plan.searchFailed = facts.searched && std::none_of(facts.candidates.begin(), facts.candidates.end(),
                                                           [](const JvmCandidate& c) { return c.verdict.accepted(); });
        plan.criteria = {s.requiredVersion, s.minVersion, s.maxVersion};
        if (plan.searchFailed)
            if (const JvmCandidate* miss = nearestMiss(facts.candidates, plan.criteria)) plan.nearestMiss = *miss;
        return plan;
    };
    auto notFound = [&](std::string note = {}) {
        plan.messageNote = std::move(note);
        return giveUp("The correct version of the " + s.jvmName + " was not found on your system.",
                      "Please install " + s.jvmName + " " + version + " and then restart this installation program.");
    };
    // A way that needs a file of the kit: none named, or not there.
    auto provide = [&](JvmPlanKind kind, const std::string& file, bool inKit) {
        if (file.empty()) return notFound();
        if (!inKit) {
            plan.detailsNote = " (" + file + " is not in the kit.)";
            return giveUp("Unable to find " + s.jvmName + " " + version + " on your system.",
                          "Please install the JVM and re-start this installer.");
        }
        plan.kind = kind;
        plan.file = file;
        return plan;
    };
    if (rules.provisioning == JvmProvisioning::InstallJvm)
        return provide(facts.thirdPartyInstaller ? JvmPlanKind::ThirdPartyProgram : JvmPlanKind::ExpandArchive,
                       s.jvmSelfExtractor, facts.archiveInKit);
    if (typeIs(s, "selfExtratorJvmInstaller")) {
        if (checksOs(s, rules) && !facts.osNewEnough) return notFound(" (This system is older than the kit's JVM needs.)");
        return provide(JvmPlanKind::ExpandArchive, s.jvmSelfExtractor, facts.archiveInKit);
    }
    if (typeIs(s, "thirdPartyJvmInstaller"))
        return provide(JvmPlanKind::VendorInstaller, s.jvmInstallerBinary, facts.installerInKit);
    return notFound();
}

namespace {

std::string withMiss(std::string text, const JvmPlan& plan, std::string_view language) {
    if (!plan.nearestMiss) return text;
    return text + " " + nearestMissSentence(*plan.nearestMiss, plan.criteria, language);
}

}  // namespace

std::string JvmPlan::userMessage(std::string_view language) const { return withMiss(message, *this, language); }

// Reports are in English.
std::string JvmPlan::reportMessage() const { return withMiss(message + messageNote, *this, "english"); }

std::string JvmPlan::reportDetails() const { return details + detailsNote; }

}  // namespace qrl
