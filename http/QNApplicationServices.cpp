#include "QNApplicationServices.h"

#include <atomic>

namespace qv {

namespace {

std::atomic<QNApplicationServices*> installed { nullptr };

} // namespace

QNApplicationServices& QNApplicationServices::current()
{
    // Never destroyed: the network thread may still ask while the process
    // exits.
    static QNApplicationServices& plain = *new QNApplicationServices;
    QNApplicationServices* services = installed.load();
    return services ? *services : plain;
}

void QNApplicationServices::install(QNApplicationServices& services)
{
    installed = &services;
}

} // namespace qv
