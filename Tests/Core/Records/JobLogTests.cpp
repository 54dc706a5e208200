#include "Foundation/DecodeError.h"
#include "Records/JobLog.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

TEST(JobLogTest, DecodesLogChunks) {
    EXPECT_EQ(JobLog::parse(R"({"start":0,"next":12,"size":12,"text":"hello\n","running":false,"source":"file"})"),
              (JobLog{0, 12, 12, "hello\n", false, "file"}));

    const char* badLogs[] = {
        R"({"start":0,"next":1,"size":1,"text":"x","running":true})",
        R"({"start":0,"next":1,"size":1,"text":null,"running":true,"source":""})",
        R"({"start":0.5,"next":1,"size":1,"text":"x","running":true,"source":""})",
    };
    for (const char* body : badLogs) EXPECT_THROW(JobLog::parse(body), DecodeError) << body;
}
