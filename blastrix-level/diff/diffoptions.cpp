#include "diffoptions.h"

#include <optional>

#include "commandline.h"
#include "pathinfo.h"

namespace {

std::string FileName(const std::string& path) { return path.substr(files::FindLastPathSeparator(path) + 1); }

}  // namespace

std::variant<DiffRequest, std::string> DiffRequestOf(const Invocation& invocation,
                                                     const std::vector<std::string>& operands) {
    DiffRequest request;
    request.git = invocation.git;
    request.format = invocation.format;
    request.output = invocation.output;
    request.scale = invocation.scale;
    const auto path = [&](const std::string& operand) {
        return files::IsNullDevice(operand) ? operand : Joined(invocation.directory, operand);
    };
    // The names that tell the round and its game folder: git's paths, not its temporary files.
    std::string oldName;
    std::string newName;
    if (request.git) {
        // A rename adds the new path and a line about the similarity.
        if (operands.size() != 7 && operands.size() != 9)
            return "--git takes the 7 arguments git gives an external diff driver, not " +
                   std::to_string(operands.size());
        oldName = operands[0];
        newName = operands.size() == 9 ? operands[7] : oldName;
        request.before = {path(operands[1]), "a/" + oldName};
        request.after = {path(operands[4]), "b/" + newName};
    } else {
        if (operands.size() == 7 || operands.size() == 9)
            return std::string("diff compares two files, OLD and NEW; as git's diff driver it needs --git: "
                               "git config diff.blastrix.command 'blastrix-level diff --git --'");
        if (operands.size() != 2) return std::string("diff compares two files, OLD and NEW");
        request.before = {path(operands[0]), path(operands[0])};
        request.after = {path(operands[1]), path(operands[1])};
        oldName = operands[0];
        newName = operands[1];
    }
    const std::optional<RoundFile> file = ParseRoundFile(path(newName));
    request.folder = file && file->round != 0 ? file->directory : invocation.directory;
    std::optional<int> round = file && file->round != 0 ? file->round : RoundOfFileName(FileName(newName));
    if (!round) round = RoundOfFileName(FileName(oldName));
    request.round = round.value_or(0);
    return request;
}
