#include "catalogue/module1.h"

namespace Module1 {

Catalogue& catalogue()
{
    static Catalogue theCatalogue;
    return theCatalogue;
}

} // namespace Module1
