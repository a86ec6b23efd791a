#include "QNApplicationServices.h"

#include <atomic>

namespace qv {

namespace {

std::atomic<QNApplicationServices*> installed { nullptr };

} // namespace

QNApplicationServices& QNApplicationServices::current()
{
    static QNApplicationServices plain;
    QNApplicationServices* services = installed.load();
    return services ? *services : plain;
}

void QNApplicationServices::install(QNApplicationServices& services)
{
    installed = &services;
}

} // namespace qv
