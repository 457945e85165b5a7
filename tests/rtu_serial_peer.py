# An independent peer for the master on a serial line: pymodbus's serial server with the RTU framer
# on the pseudo-terminal named by the first argument, answering the moment a request is whole, as
# most devices and every software slave do. It serves the transmitter's measurements and
# information block as holding registers and, as a reference hygrometer would, three float32
# input registers, high word first. Prints "ready" once the port is open.
import asyncio
import struct
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.server import StartAsyncSerialServer

holding = [0] * 0x109
holding[0:4] = [2345, 4567, 1120, 0]
holding[0x100:0x109] = [1, 4, 0, 0, 0x2612, 0x0603, 0x3415, 0xFE70, 0x04E2]
inputs = []
for value in (23.45, 56.56, 14.32):
    inputs += struct.unpack(">HH", struct.pack(">f", value))
slave = ModbusSlaveContext(hr=ModbusSequentialDataBlock(0, holding),
                           ir=ModbusSequentialDataBlock(0, inputs), zero_mode=True)
context = ModbusServerContext(slaves=slave, single=True)


async def serve():
    server = await StartAsyncSerialServer(context=context, framer=ModbusRtuFramer,
                                          port=sys.argv[1], baudrate=9600, defer_start=True)
    await server.start()
    if server.transport is None:
        sys.exit("cannot open " + sys.argv[1])
    print("ready", flush=True)
    await server.serve_forever()


asyncio.run(serve())
