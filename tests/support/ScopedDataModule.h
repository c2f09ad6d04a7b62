#pragma once
#include "data.h"

#include <utility>

// Installs a data module as DM while this lives and brings the previous one back, also when a
// check returns from the test early. The module must outlive this.
class ScopedDataModule {
public:
    explicit ScopedDataModule(TDM* dm) : previous_(std::exchange(DM, dm)) {}
    ~ScopedDataModule() { DM = previous_; }
    ScopedDataModule(const ScopedDataModule&) = delete;
    ScopedDataModule& operator=(const ScopedDataModule&) = delete;

private:
    TDM* previous_;
};
