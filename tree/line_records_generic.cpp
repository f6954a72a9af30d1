#include "tree/line_records.h"

namespace line_records_generic {
#include "tree/line_records_impl.h"
}  // namespace line_records_generic

i64 fill_line_records_generic(const LineNodeFacts* facts, i64 count, f64 pot, i32 root_street,
                              LineRecord* records) {
    return line_records_generic::fill_line_records_body(facts, count, pot, root_street, records);
}
