# An independent peer for the master's RTU over TCP: pymodbus serving RTU frames on a TCP port,
# as a serial device server forwards them, with the transmitter's measurements and information
# block but no output block, at every address. Given ADDRESS TEMPERATURE HUMIDITY, it is a
# reference hygrometer alone at that address instead: the two as float32 input registers from 0,
# high word first. Prints the port it listens on once it does.
import asyncio
import sys

from pymodbus.constants import Endian
from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.payload import BinaryPayloadBuilder
from pymodbus.server import StartAsyncTcpServer

if len(sys.argv) == 4:
    floats = BinaryPayloadBuilder(byteorder=Endian.Big, wordorder=Endian.Big)
    for value in sys.argv[2:]:
        floats.add_32bit_float(float(value))
    reference = ModbusSlaveContext(ir=ModbusSequentialDataBlock(0, floats.to_registers()),
                                   zero_mode=True)
    context = ModbusServerContext(slaves={int(sys.argv[1]): reference}, single=False)
else:
    registers = [0] * 0x10A
    registers[0:4] = [2345, 4567, 1120, 0]
    registers[0x100:0x109] = [1, 4, 0, 0, 0x2612, 0x0603, 0x3415, 0xFE70, 0x04E2]
    slave = ModbusSlaveContext(hr=ModbusSequentialDataBlock(0, registers), zero_mode=True)
    context = ModbusServerContext(slaves=slave, single=True)


async def serve():
    server = await StartAsyncTcpServer(context=context, address=("127.0.0.1", 0),
                                       framer=ModbusRtuFramer, defer_start=True)
    serving = asyncio.create_task(server.serve_forever())
    await server.serving
    print(server.server.sockets[0].getsockname()[1], flush=True)
    await serving


asyncio.run(serve())
