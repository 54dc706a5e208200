#include "VM/VMPriority.h"

#include <gtest/gtest.h>

using quillmarsh::VMPriority;

TEST(VMPriority, OursTakesOnlyServicesThisToolIsResponsibleFor) {
    const std::string service = VMPriority::serviceName;
    std::vector<VMPriority::Process> processes = {
        {10, service, 500},                   // ours
        {11, service, 400},                   // a sibling run's service, responsible to the shared agent
        {12, "QUILLMARSH-VZ-SERVICE", 500},   // another name
        {13, service, 0},                     // unknown responsible process
        {14, service, -1},
        {15, service, 500},                   // ours too, in list order
    };
    EXPECT_EQ(VMPriority::ours(processes, 500), (std::vector<std::int32_t>{10, 15}));
    EXPECT_TRUE(VMPriority::ours(processes, 400 + 1).empty());
    EXPECT_TRUE(VMPriority::ours({}, 500).empty());
    // A real guest's QEMU is looked for by its own name, and the service's name no longer counts.
    processes.push_back({16, "qemu-system-x86_64", 500});
    EXPECT_EQ(VMPriority::ours(processes, 500, "qemu-system-x86_64"), (std::vector<std::int32_t>{16}));
}
