// Fuzz target: the filter language typed into a grid's filter row, and every text built from what
// it accepts. Input: one byte choosing the column type and the locale's decimal separator, then the
// typed text. What the parser refuses must raise; what it accepts must show and become SQL and a
// dataset filter without raising, and the SQL never carries a line break (the statement is
// rewritten line by line).
#include "gridlib/services/DBUtilsGx.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace gxdetail {
AnsiString GetOneExpressionAsSQLParamString(TSTFilterOperatorGx op, const Variant& value, const AnsiString& fieldName,
                                            std::vector<Variant>& values, const AnsiString& paramPrefix);
}  // namespace gxdetail

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_filter: %s\n", what);
        std::abort();
    }
}

void checkPart(TSTFilterOperatorGx op, const Variant& operand) {
    if (op == foNon) return;
    const AnsiString sql = GetOneExpressionAsSQLWhereString(op, operand, "`F`", nullptr, {}, false);
    require(sql.str().find_first_of("\r\n") == std::string::npos, "a line break in the SQL text");
    std::vector<Variant> values;
    const AnsiString params = gxdetail::GetOneExpressionAsSQLParamString(op, operand, "`F`", values, "P");
    require(params.str().find_first_of("\r\n") == std::string::npos, "a line break in the parameter SQL");
    GetOneExpressionAsLocalFilterString(op, operand, "F", nullptr, {}, true);
    GetOneExpressionAsLocalFilterString(op, operand, "F", nullptr, {}, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const TFormatSettings russian = TFormatSettings::Russian();
    FormatSettings() = russian;
    FormatSettings().DecimalSeparator = (data[0] & 0x80) ? '.' : ',';
    TSTFilterExpressionGx e;
    e.OperandType = static_cast<TSTOperandTypeGx>(data[0] % 5);
    const AnsiString text(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    try {
        ParseSTFilterExpressionGx(text, e);
    } catch (const Exception&) {
        return 0;  // refused: the grid keeps its previous filter
    }
    require(e.OperandType == static_cast<TSTOperandTypeGx>(data[0] % 5), "the parser changed the operand type");
    // Accepted: everything built from it must work, on every display and every apply.
    GetSTFilterExpressionDisplayText(e, false);
    GetSTFilterExpressionDisplayText(e, true);
    checkPart(e.FirstOperator, e.FirstOperand);
    if (e.Junction != foNon) checkPart(e.SecondOperator, e.SecondOperand);
    return 0;
}
