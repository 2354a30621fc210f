#pragma once
// The SimConnect operations the link and live traffic call, reached through one table, so
// that a test can put a recording fake in the client library's place and see every call
// the program makes without a simulator. The program never changes the table.
#include "simlink/simconnect/client.h"
#include "simlink/simconnect/simconnect.h"

struct SimConnectCalls {
  decltype(&::SimConnect_Open) SimConnect_Open = &::SimConnect_Open;
  decltype(&::SimConnect_Close) SimConnect_Close = &::SimConnect_Close;
  decltype(&::SimConnect_CallDispatch) SimConnect_CallDispatch = &::SimConnect_CallDispatch;
  decltype(&::SimConnect_MapClientEventToSimEvent) SimConnect_MapClientEventToSimEvent =
      &::SimConnect_MapClientEventToSimEvent;
  decltype(&::SimConnect_TransmitClientEvent) SimConnect_TransmitClientEvent = &::SimConnect_TransmitClientEvent;
  decltype(&::SimConnect_AddClientEventToNotificationGroup) SimConnect_AddClientEventToNotificationGroup =
      &::SimConnect_AddClientEventToNotificationGroup;
  decltype(&::SimConnect_SetNotificationGroupPriority) SimConnect_SetNotificationGroupPriority =
      &::SimConnect_SetNotificationGroupPriority;
  decltype(&::SimConnect_AddToDataDefinition) SimConnect_AddToDataDefinition = &::SimConnect_AddToDataDefinition;
  decltype(&::SimConnect_RequestDataOnSimObject) SimConnect_RequestDataOnSimObject =
      &::SimConnect_RequestDataOnSimObject;
  decltype(&::SimConnect_RequestDataOnSimObjectType) SimConnect_RequestDataOnSimObjectType =
      &::SimConnect_RequestDataOnSimObjectType;
  decltype(&::SimConnect_SetDataOnSimObject) SimConnect_SetDataOnSimObject = &::SimConnect_SetDataOnSimObject;
  decltype(&::SimConnect_SubscribeToSystemEvent) SimConnect_SubscribeToSystemEvent =
      &::SimConnect_SubscribeToSystemEvent;
  decltype(&::SimConnect_AICreateNonATCAircraft) SimConnect_AICreateNonATCAircraft =
      &::SimConnect_AICreateNonATCAircraft;
  decltype(&::SimConnect_AIReleaseControl) SimConnect_AIReleaseControl = &::SimConnect_AIReleaseControl;
  decltype(&::SimConnect_AIRemoveObject) SimConnect_AIRemoveObject = &::SimConnect_AIRemoveObject;
  decltype(&::SimConnect_AISetAircraftFlightPlan) SimConnect_AISetAircraftFlightPlan =
      &::SimConnect_AISetAircraftFlightPlan;
  // The client library's own: a burst of packets leaves as one message.
  decltype(&::gf_beginPacketBatch) beginPacketBatch = &::gf_beginPacketBatch;
  decltype(&::gf_endPacketBatch) endPacketBatch = &::gf_endPacketBatch;
};

// Call as simCalls.SimConnect_TransmitClientEvent(handle, ...). Tests replace it while no
// link thread runs.
extern SimConnectCalls simCalls;
