// Points one test seam (a function pointer in tsc::seams) elsewhere and puts it back at scope
// end. Unit tests only: the seams live in the statically linked library.
#pragma once

namespace tsctest {

template <typename Pointer>
class ScopedSeam {
  public:
    ScopedSeam(Pointer& seam, Pointer replacement) : seam_(seam), saved_(seam) {
        seam_ = replacement;
    }
    ~ScopedSeam() { seam_ = saved_; }
    ScopedSeam(const ScopedSeam&) = delete;
    ScopedSeam& operator=(const ScopedSeam&) = delete;

  private:
    Pointer& seam_;
    Pointer saved_;
};

}  // namespace tsctest
