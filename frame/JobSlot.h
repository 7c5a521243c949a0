// SPDX-License-Identifier: Apache-2.0
// Where a tool keeps the job record of the render in progress.
#pragma once

#include <optional>
#include <utility>

namespace vorlings::frame {

/// The one record every chunk of a render reads, built by one function from the controls and
/// the inputs. Hold puts it in the tool object for the length of a scope (the render's chunk
/// passes); when the scope ends the slot is empty again, so no chunk can read a record of
/// another render and the pointers it carries (to the render's images) never outlive them.
template <class Job>
class JobSlot {
public:
    /// Empties the slot when it goes.
    class Held {
    public:
        explicit Held(JobSlot& slot) : slot_(&slot) {}
        ~Held() { slot_->job_.reset(); }
        Held(const Held&) = delete;
        Held& operator=(const Held&) = delete;

        const Job& operator*() const { return *slot_->job_; }
        const Job* operator->() const { return &*slot_->job_; }

    private:
        JobSlot* slot_;
    };

    /// Holds `job` until the returned object goes.
    [[nodiscard]] Held Hold(Job job) {
        job_.emplace(std::move(job));
        return Held(*this);
    }

    /// The job being rendered: for the chunks, which run only while it is held.
    const Job& Current() const { return *job_; }
    bool Holding() const { return job_.has_value(); }

private:
    std::optional<Job> job_;
};

} // namespace vorlings::frame
