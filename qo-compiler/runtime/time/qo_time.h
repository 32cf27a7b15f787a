/* Instants, durations, clocks, zones, local dates and times, calendars and rhythms. Part of qo_runtime.h; include that instead. */
#ifndef QO_TIME_QO_TIME_H
#define QO_TIME_QO_TIME_H

#endif
