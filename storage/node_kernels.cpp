#include "storage/node_kernels.h"

#include "platform/cpu_features.h"

const NodeKernels& node_kernels() {
    static const NodeKernels& chosen =
        cpu_has_avx2_set() ? node_kernels_avx2() : node_kernels_generic();
    return chosen;
}
