#include "diffoptions.h"

#include "commandline.h"

std::variant<DiffRequest, std::string> DiffRequestOf(const Invocation& invocation,
                                                     const std::vector<std::string>& operands) {
    DiffRequest request;
    request.git = invocation.git;
    request.format = invocation.format;
    request.directory = invocation.directory;
    request.output = invocation.output;
    request.scale = invocation.scale;
    if (request.git) {
        // A rename adds the new path and a line about the similarity.
        if (operands.size() != 7 && operands.size() != 9)
            return "--git takes the 7 arguments git gives an external diff driver, not " +
                   std::to_string(operands.size());
        const std::string& path = operands[0];
        request.before = {operands[1], path};
        request.after = {operands[4], operands.size() == 9 ? operands[7] : path};
        return request;
    }
    if (operands.size() != 2) return std::string("diff compares two files, OLD and NEW");
    request.before = {operands[0], operands[0]};
    request.after = {operands[1], operands[1]};
    return request;
}
