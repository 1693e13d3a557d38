#pragma once
// Readable names for table-driven (parameterised) test cases: a case's
// `name` field with everything but letters and digits turned into '_'.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        std::string name = std::to_string(info.index) + "_" + std::string(info.param.name);
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    }
};
